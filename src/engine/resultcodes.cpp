#include "engine/resultcodes.h"

#include <algorithm>
#include <array>
#include <utility>

#include "engine/zipcontract.h"

namespace tovo {
namespace {

constexpr int UnexpectedErrorLabel = 272;

// Sorted by code.
constexpr std::array<std::pair<int, int>, 36> codeLabels{{
    {TOVO_ZIP_WARN_SKIPPED, 81}, {TOVO_ZIP_WARN_NO_ARCHIVE, 82}, {TOVO_ZIP_WARN_PASSWORD, 83},
    {TOVO_ZIP_WARN_NOT_FOUND, 84}, {TOVO_ZIP_ERR_BAD_ARCHIVE, 85}, {TOVO_ZIP_ERR_FATAL, 86},
    {TOVO_ZIP_ERR_MEMORY, 87}, {TOVO_ZIP_ERR_OPEN_ARCHIVE, 88}, {TOVO_ZIP_ERR_EOF, 89},
    {TOVO_ZIP_ERR_READ, 90}, {TOVO_ZIP_ERR_WRITE, 91}, {TOVO_ZIP_ERR_METHOD, 92},
    {TOVO_ZIP_ERR_CRC, 93}, {TOVO_ZIP_ERR_TEMP_FILE, 94}, {TOVO_ZIP_ERR_CREATE, 95},
    {TOVO_ZIP_ERR_LIBRARY_MISSING, 96}, {TOVO_ZIP_ERR_PARAMETERS, 97}, {TOVO_ZIP_ERR_NOTHING_TO_DO, 98},
    {TOVO_ZIP_ERR_OPEN_INPUT, 99}, {TOVO_ZIP_ERR_REPLACE_ARCHIVE, 100}, {TOVO_ZIP_ERR_COMMENT, 101},
    {TOVO_ZIP_ERR_LOCKED, 116}, {TOVO_ZIP_ERR_VERIFY, 102}, {TOVO_ZIP_ERR_ABORTED, 103},
    {TOVO_ZIP_ERR_ACCESS, 104}, {TOVO_ZIP_ERR_WRONG_DISK, 105}, {TOVO_ZIP_ERR_DISK_SET, 106},
    {TOVO_ZIP_ERR_WRITE_PROTECTED, 107}, {TOVO_ZIP_ERR_MULTIDISK_REFUSED, 108}, {TOVO_ZIP_ERR_DISK_FULL, 109},
    {TOVO_ZIP_ERR_CLEAR_DISK, 110}, {TOVO_ZIP_ERR_SFX_STUB, 111}, {TOVO_ZIP_ERR_SFX, 112},
    {TOVO_ZIP_ERR_FIX, 113}, {TOVO_ZIP_ERR_UNSUPPORTED, 114}, {TOVO_ZIP_ERR_TOO_LARGE, 115},
}};
static_assert(std::is_sorted(codeLabels.begin(), codeLabels.end()));

} // namespace

int LabelOfResultCode(int code)
{
    const auto it = std::lower_bound(codeLabels.begin(), codeLabels.end(), code,
                                     [](const std::pair<int, int> &entry, int c) { return entry.first < c; });
    return it != codeLabels.end() && it->first == code ? it->second : UnexpectedErrorLabel;
}

} // namespace tovo
