#include "system_hid_platform.h"

#ifdef _WIN32
#include "device/platform/windows/windows_hid_platform.h"
#else
#include "device/platform/linux/linux_hid_platform.h"
#endif

namespace tavik {

std::unique_ptr<THidPlatform> CreateSystemHidPlatform(TEventLoop& loop) {
#ifdef _WIN32
    (void)loop;
    return std::make_unique<TWindowsHidPlatform>();
#else
    return std::make_unique<TLinuxHidPlatform>(loop);
#endif
}

}  // namespace tavik
