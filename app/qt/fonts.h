#pragma once
// The layout's fonts as Qt's. The faces are named as laid out; on systems
// without them, Liberation's metric twins stand in.
#include <QFont>

#include "window/window_layout.h"

namespace tavik {

void InstallFontSubstitutes();
QFont FontFor(TFontRole role);

}  // namespace tavik
