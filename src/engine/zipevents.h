#pragma once

#include <cstdint>
#include <functional>

#include <QDateTime>
#include <QFlags>
#include <QString>

namespace tovo {

class TZipEngine;

// Flag i stands for bit i of the DOS attribute byte.
enum TZipFileAttribute {
    xfaReadOnly = 0x01,
    xfaHidden = 0x02,
    xfaSystem = 0x04,
    xfaVolumeLabel = 0x08,
    xfaDirectory = 0x10,
    xfaArchive = 0x20,
};
Q_DECLARE_FLAGS(TZipFileAttributes, TZipFileAttribute)
Q_DECLARE_OPERATORS_FOR_FLAGS(TZipFileAttributes)

struct TZipFileStats {
    QString FileName;
    qint64 Size = 0; // uncompressed
    qint64 CompressedSize = 0;
    qint64 BytesDone = 0; // in status messages, the bytes of Size processed so far
    TZipFileAttributes Attributes;
    QDateTime DateTime;
    std::uint32_t DosDateTime = 0; // what DateTime was made from
    // Passed through from the module; nothing in the program reads them.
    std::int32_t Extra32 = 0;
    std::uint8_t ExtraByte1 = 0;
    std::uint8_t ExtraByte2 = 0;
    std::uint8_t ExtraByte3 = 0;
    bool ExtraFlag = false;
    QString Comment; // at most 255 characters
};

// Six values passed through from the module, unused by the program.
struct TZipGlobalStats {
    std::int32_t Value1 = 0;
    std::int32_t Value2 = 0;
    std::uint8_t Byte1 = 0;
    std::int32_t Value3 = 0;
    std::int32_t Value4 = 0;
    std::uint8_t Byte2 = 0;
};

struct TZipReplace {
    QString FileName;
    QString NewName;         // empty on entry, handed back
    std::uint8_t Action = 0; // the module's proposal on entry; 1 replace, 0 skip
};

struct TZipRename {
    QString FileName;
    QString NewName; // empty on entry, handed back
};

struct TZipPwdQuery {
    QString FileName;
    QString Password;        // empty on entry; handed back cut to 80 characters
    std::uint8_t Action = 0; // the module's byte on entry, handed back
};

struct TZipSkipping {
    QString FileName;
    std::uint8_t Reason = 0;
};

struct TZipFileComment {
    QString FileName;
    QString Comment; // empty on entry; handed back cut to 255 characters
};

// Event types. The first argument is the engine that runs the command.
// Records passed by reference are read back after the handler returns.
using TZipFileNameEvent = std::function<void(TZipEngine *ZipEngine, const QString &FileName)>;
using TZipFileStatsEvent = std::function<void(TZipEngine *ZipEngine, const TZipFileStats &FileStats)>;
using TZipSkippingEvent = std::function<void(TZipEngine *ZipEngine, const TZipSkipping &Skipping)>;
using TZipReplaceEvent = std::function<void(TZipEngine *ZipEngine, TZipReplace &Replace)>;
using TZipPwdQueryEvent = std::function<void(TZipEngine *ZipEngine, TZipPwdQuery &PwdQuery)>;
using TZipNewdiskEvent = std::function<void(TZipEngine *ZipEngine, int Disknumber)>;
using TZipFileCommentEvent = std::function<void(TZipEngine *ZipEngine, TZipFileComment &FileComment)>;
using TZipGlobalStatsEvent = std::function<void(TZipEngine *ZipEngine, const TZipGlobalStats &GlobalStats)>;
using TZipRenameEvent = std::function<void(TZipEngine *ZipEngine, TZipRename &Rename)>;

} // namespace tovo
