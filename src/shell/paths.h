#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tovo {

// The program's directory and the private working directory, both with a
// trailing separator. Set once at start (tests point them at their own
// folders); setting ProgDir makes DataDir follow it again.
QString ProgDir();
void SetProgDir(const QString &dir);
QString TempDir();
void SetTempDir(const QString &dir);

// The folder of the files the program writes (label store, favourites,
// history), with a trailing separator: ProgDir unless set (an installed
// program keeps them in the user's data folder).
QString DataDir();
void SetDataDir(const QString &dir);
// DataDir + name. When DataDir is not ProgDir and holds no such file yet,
// ProgDir's copy is copied there first (made writable for the user), so an
// installed program starts from the files it ships.
QString DataFile(const QString &name);
// Where the user works by default (start of the browser, extraction and
// search folders): ProgDir when the program lives in a folder of the
// user's own, the home folder for an installed program.
QString DefaultWorkFolder();

// Characters between a leading and a trailing double quote, else s unchanged.
QString StripQuotes(const QString &s);
// path with the separator appended unless it already ends with one; an empty
// path stays empty (appending would name the root directory).
QString AddBackslash(const QString &path, QChar separator = QLatin1Char('/'));
// Everything up to and including the last separator (or drive colon, when
// the separators are Windows ones), and what follows it.
QString DirectoryPart(const QString &path, const QString &separators = QStringLiteral("/"));
QString FileNamePart(const QString &path, const QString &separators = QStringLiteral("/"));

// Removes a directory tree. Skips only "." and "..", removes symbolic links
// themselves without following them, makes read-only files and folders
// writable first, and never removes a root directory. The directory itself is
// removed only when everything in it went; the result says whether all did.
bool DeleteTree(const QString &path);

// The archive named on the command line: parameter 1 without its quotes, with
// parameters 2, 3 and 4 appended one by one (after a space) while the text
// names no existing file. Returns nothing when no parameter was given; the
// joined text and whether it names a file otherwise.
struct CommandLineArchive {
    QString name;
    bool exists = false;
};
std::optional<CommandLineArchive> RejoinCommandLine(const QStringList &parameters,
                                                    const std::function<bool(const QString &)> &fileExists);

} // namespace tovo
