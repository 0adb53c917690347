#pragma once
// The window's colours, as laid out.
#include <QColor>

namespace tavik::colours {

const QColor Red(255, 0, 0);
const QColor Lime(0, 255, 0);
const QColor Green(0, 128, 0);
const QColor Blue(0, 0, 255);
const QColor Yellow(255, 255, 0);
const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);

}  // namespace tavik::colours
