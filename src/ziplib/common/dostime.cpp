#include "ziplib/common/dostime.h"

#include <algorithm>

namespace tovo::zip
{

std::time_t DosDateTimeToTime(std::uint32_t dosDateTime)
{
    const std::uint32_t time = dosDateTime & 0xFFFF;
    const std::uint32_t date = dosDateTime >> 16;
    std::tm tm{};
    tm.tm_year = 80 + int(date >> 9);
    tm.tm_mon = std::clamp(int((date >> 5) & 0x0F), 1, 12) - 1;
    tm.tm_mday = std::clamp(int(date & 0x1F), 1, 31);
    tm.tm_hour = std::min(int(time >> 11), 23);
    tm.tm_min = std::min(int((time >> 5) & 0x3F), 59);
    tm.tm_sec = std::min(int(time & 0x1F) * 2, 59);
    // The fields read as UTC, then moved by the zone's offset at that moment
    // (checked once more across a change of offset). Cheaper than mktime,
    // which looks at the zone file again on every call.
    const std::time_t asUtc = timegm(&tm);
    std::tm local{};
    if (!localtime_r(&asUtc, &local))
        return asUtc;
    std::time_t t = asUtc - local.tm_gmtoff;
    if (localtime_r(&t, &local) && asUtc - local.tm_gmtoff != t)
        t = asUtc - local.tm_gmtoff;
    return t;
}

std::uint32_t TimeToDosDateTime(std::time_t t)
{
    std::tm tm{};
    if (!localtime_r(&t, &tm) || tm.tm_year < 80)
        return (1u << 5 | 1u) << 16; // 1 January 1980 00:00
    if (tm.tm_year > 80 + 127)
        return (127u << 9 | 12u << 5 | 31u) << 16 | (23u << 11 | 59u << 5 | 29u);
    const std::uint32_t date =
        std::uint32_t(tm.tm_year - 80) << 9 | std::uint32_t(tm.tm_mon + 1) << 5 | std::uint32_t(tm.tm_mday);
    // Two-second resolution: an odd second rounds up, as Info-ZIP does, so a
    // file never looks older in the archive than on disk.
    int seconds = std::min(tm.tm_sec, 59);
    std::uint32_t time = std::uint32_t(tm.tm_hour) << 11 | std::uint32_t(tm.tm_min) << 5 | std::uint32_t(seconds / 2);
    if (seconds % 2 != 0) {
        std::time_t later = t + 1;
        std::tm next{};
        if (localtime_r(&later, &next) && next.tm_year == tm.tm_year && next.tm_yday == tm.tm_yday)
            time = std::uint32_t(next.tm_hour) << 11 | std::uint32_t(next.tm_min) << 5 |
                   std::uint32_t(std::min(next.tm_sec, 58) / 2);
    }
    return date << 16 | time;
}

} // namespace tovo::zip
