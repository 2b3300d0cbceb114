#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace tovo::platform {

// Where a copy stopped.
enum class CopyFailure {
    None,
    OpenSource,      // the source cannot be opened or examined
    SameFile,        // the target is the source (maybe through a link)
    CreateTemporary, // no temporary file can be made in the target's folder
    Read,            // reading the source failed
    Write,           // writing or flushing the copy failed
    Replace,         // the finished copy cannot be put in the target's place
    Stopped,         // the progress function asked to stop
};

struct CopyResult {
    CopyFailure failure = CopyFailure::None;
    int error = 0; // the system's error number, 0 when none applies
    bool ok() const { return failure == CopyFailure::None; }
};

// Called after each chunk with the bytes copied and the source's size when
// the copy began; returning false stops the copy.
using CopyProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Whether two paths reach the same file (same device and inode, links
// followed). False when either cannot be examined.
bool SameFile(const QString &a, const QString &b);

// Copies source to target, replacing a file already there. The data goes to
// a temporary file in the target's folder, which gets the source's access
// and modification times (and the replaced file's permissions, else the
// source's), is flushed to the disk and only then renamed over the target. A
// failed or stopped copy removes the temporary file and leaves the target as
// it was. A target that is a symbolic link is replaced where it points.
CopyResult CopyFileReplacing(const QString &source, const QString &target, const CopyProgress &progress = {});

// Test seam: called before each chunk is written, with its offset in the
// file; a non-zero result makes that write fail with this error number.
using CopyFault = std::function<int(std::int64_t offset)>;
void SetCopyFault(CopyFault fault);

// The size of the chunks between two progress calls.
inline constexpr std::int64_t CopyChunkSize = 4 << 20;

} // namespace tovo::platform
