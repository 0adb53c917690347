#pragma once
// The layout's fonts. The faces are named as laid out; on systems without
// them, Liberation's metric twins stand in.
#include <QFont>

namespace tavik {

void InstallFontSubstitutes();

QFont WindowFont();   // MS Sans Serif 11 px
QFont TitleFont();    // MS Sans Serif 15 px bold italic
QFont SectionFont();  // MS Sans Serif 11 px bold italic
QFont CaptionFont();  // MS Sans Serif 11 px bold
QFont ReadingFont();  // Times New Roman 20 px bold

}  // namespace tavik
