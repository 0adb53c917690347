#pragma once
// The layout's fonts. The faces are named as laid out; on systems without
// them, Liberation's metric twins stand in.
#include <QColor>
#include <QFont>

namespace tavik {

void InstallFontSubstitutes();

QFont WindowFont();   // MS Sans Serif 11 px
QFont TitleFont();    // MS Sans Serif 15 px bold italic
QFont SectionFont();  // MS Sans Serif 11 px bold italic
QFont CaptionFont();  // MS Sans Serif 11 px bold
QFont ReadingFont();  // Times New Roman 20 px bold

namespace colours {
const QColor Red(255, 0, 0);
const QColor Lime(0, 255, 0);
const QColor Green(0, 128, 0);
const QColor Blue(0, 0, 255);
const QColor Yellow(255, 255, 0);
const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);
}  // namespace colours

}  // namespace tavik
