#include "platform/timezone.h"

#include <cstdlib>
#include <unistd.h>

namespace tovo::platform {

void SettleLocalTimeZone()
{
    if (std::getenv("TZ") == nullptr && ::access("/etc/localtime", R_OK) == 0)
        ::setenv("TZ", ":/etc/localtime", 0);
}

} // namespace tovo::platform
