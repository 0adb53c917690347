#include "system_hid_platform.h"

#include "device/platform/linux/linux_hid_platform.h"

namespace tavik {

std::unique_ptr<THidPlatform> CreateSystemHidPlatform() { return std::make_unique<TLinuxHidPlatform>(); }

}  // namespace tavik
