// DOS date-time (low 16 bits the time, high 16 bits the date, local time) to
// and from time_t.
#pragma once

#include <cstdint>
#include <ctime>

namespace tovo::zip
{

// The local time a DOS date-time names; fields out of range are clamped to
// the nearest valid value (a zero date reads as 1 January 1980 00:00).
std::time_t DosDateTimeToTime(std::uint32_t dosDateTime);

// The DOS date-time of t in local time, seconds rounded up to even; times
// before 1980 give 1 January 1980 00:00, after 2107 the last representable.
std::uint32_t TimeToDosDateTime(std::time_t t);

} // namespace tovo::zip
