#pragma once
// The window's number separators from the user's Windows locale.
#include "window/tavik.h"

namespace tavik {

TTavikOptions TavikOptionsOfUserLocale();

}  // namespace tavik
