#pragma once
// The HID platform of the system the program runs on, for the front-ends: they
// never name an operating system.
#include <memory>

#include "device/platform/hid_platform.h"

namespace tavik {

std::unique_ptr<THidPlatform> CreateSystemHidPlatform();

}  // namespace tavik
