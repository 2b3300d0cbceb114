#pragma once

#include <array>

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>

namespace tovo {

enum TZipAddMode { xamAdd = 0, xamFreshen = 1, xamUpdate = 2 };
enum TZipExtractMode { xemExtract = 0, xemFreshen = 1, xemUpdate = 2 };
enum TZipOverwrite { xowAsk = 0, xowNever = 1, xowAlways = 2 };

inline QDateTime DefaultDateFilter() { return QDateTime(QDate(1980, 1, 1), QTime(0, 0)); }

// The settings of one engine command: everything the argument vectors are
// built from, with the values a new engine holds.
struct ZipSettings {
    QStringList FilesToProcess;
    int Compression = 6; // 0..9
    bool ClearDisks = false;
    bool MoveFiles = false;
    bool MultidiskMode = false;
    QString ExtractDirectory;
    bool IncludeHiddenFiles = false;
    bool IncludeDirectoryEntries = false;
    bool IncludeVolumeLabel = false;
    TZipOverwrite Overwrite = xowAsk;
    bool Recurse = false;
    QString Password;
    bool SelfExtracting = false;
    QString SfxBinary;
    QString SfxArgument;
    QString StoredExtensions = QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO");
    QString TempPath;
    bool UsePaths = true;
    bool UseTempFile = true;
    QString ZipFileName;
    QDateTime DateFilter = DefaultDateFilter();
    int UnzipParam1 = 0;
    int UnzipParam2 = -1;
};

// The self-extractor settings that are not part of the vector; they reach the
// module through the settings record.
struct SfxSettings {
    QString SfxText1;
    QString SfxText2;
    QString SfxText3;
    QString SfxText4;
    QString SfxText5;
    int SfxChoice = 0; // 0, 1 or 2
    bool SfxOption1 = true;
    bool SfxOption2 = true;
    bool SfxPasswordProtected = true;
    bool SfxOption3 = true;
    bool SfxOption4 = false;
    QStringList SfxLines1;
    QStringList SfxLines2;
    QByteArray SfxIcon; // icon file image; empty = no icon
};

// The self-extractor's texts, reached through the engine's indexed accessors.
struct SfxTables {
    std::array<QString, 5> messages;
    std::array<QString, 7> prompts;
    std::array<QString, 6> captions;
    std::array<QString, 13> buttons;
    std::array<bool, 5> showMessage{true, true, true, true, false};

    SfxTables();
};

} // namespace tovo
