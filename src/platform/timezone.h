#pragma once

namespace tovo::platform {

// Names the system's local time zone file in TZ when TZ is unset. Without
// it the C library re-reads /etc/localtime's status at every local-time
// conversion, which the ZIP code does once per entry: a large archive then
// spends a third of its time there. Call first thing in main(), before any
// thread starts; the local time itself does not change.
void SettleLocalTimeZone();

} // namespace tovo::platform
