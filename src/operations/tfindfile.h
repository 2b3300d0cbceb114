#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

namespace tovo {

// The file attributes a search admits, as the bits of the DOS attribute
// byte. Here hidden means a name starting with "." and read-only a file
// without its owner's write bit; no file is a system file or a volume label.
enum TAttrOption {
    ffReadOnly = 0x01,
    ffHidden = 0x02,
    ffSysFile = 0x04,
    ffVolumeID = 0x08,
    ffDirectory = 0x10,
};
Q_DECLARE_FLAGS(TAttrOptions, TAttrOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TAttrOptions)

// One file mask as the search understands it: "*" any run of characters,
// "?" one character, and, as on DOS, "?"s closing the mask or its extension
// may also stand for nothing ("*.htm?" finds .htm and .html), a closing ".*"
// also finds names without extension, and "*.*" finds every name. Letters
// match in either case.
class FileMask {
public:
    explicit FileMask(const QString &mask);
    bool matches(const QString &name) const;

private:
    enum class Token : char { Literal, Star, One, OneOrNone, DotAny };
    struct Step {
        Token token;
        QChar c;
    };
    std::vector<Step> m_steps;
    bool m_all = false;
    QString m_suffix; // set when the mask is "*" and a plain text: a fast path
};

// The masks of a filter text: split on ";", each trimmed, empty ones dropped.
QStringList SplitMasks(const QString &filter);

// Finds the files of one directory, or of a directory tree, that match the
// masks of Filter and the admitted Attributes. Paths in Files are Directory
// (with a "/" added when it lacks one) followed by the path below it; a
// directory found (ffDirectory) ends with "/".
//
// With Sorted, each directory's results are sorted (letters compared in
// either case, then exactly) with repeated names dropped, and the tree is
// visited by taking the alphabetically first pending directory each time;
// without it, each mask adds its matches in the order the system lists
// them (a name matching two masks comes twice) and the tree is visited
// breadth-first.
//
// Never offered: FIFOs, sockets and devices (opening one could block), and
// symbolic links to directories, which are never followed either (a link
// loop cannot make the search endless); a link to a file is offered like a
// file. A directory that cannot be read is skipped.
class TFindFile {
public:
    TAttrOptions Attributes = TAttrOptions(ffReadOnly | ffHidden | ffSysFile);
    QString Directory;
    QString Filter = QStringLiteral("*.*");
    bool Recurse = false;
    bool Sorted = true;
    // Leaves out read-only files unless ffReadOnly is admitted.
    bool StrictRO = false;

    std::function<void(TFindFile *)> BeforeExecute;
    std::function<void(TFindFile *)> AfterExecute;
    // Called before each directory is searched; setting Abort ends the
    // search before that directory.
    std::function<void(TFindFile *, const QString &NewPath, bool &Abort)> OnNewPath;

    // The results of the last search.
    QStringList Files;

    void Execute();

private:
    struct Pending;
    // Searches one directory; appends its sub-directories to subDirectories
    // when given.
    void searchDirectory(const QString &directory, QStringList *subDirectories);

    std::vector<FileMask> m_masks;
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_visited; // directories searched, by device and inode
    bool m_abort = false;
};

} // namespace tovo
