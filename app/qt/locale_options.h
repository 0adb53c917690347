#pragma once
// The window's number separators from a Qt locale (the user's, normally).
#include <QLocale>

#include "window/tavik.h"

namespace tavik {

TTavikOptions TavikOptionsFor(const QLocale& locale);

}  // namespace tavik
