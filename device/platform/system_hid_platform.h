#pragma once
// The HID platform of the system the program runs on, for the front-ends: they
// never name an operating system.
#include <memory>

#include "common/event_loop.h"
#include "device/platform/hid_platform.h"

namespace tavik {

// The platform hears of devices coming and going through loop (Linux: a
// watch on the udev monitor), or through window messages that loop
// dispatches (Windows). loop outlives the platform.
std::unique_ptr<THidPlatform> CreateSystemHidPlatform(TEventLoop& loop);

}  // namespace tavik
