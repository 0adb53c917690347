#pragma once
// The colours of a widget's text and background.
#include <QColor>
#include <QWidget>

namespace tavik {

// Window text, text and button text in one colour; no change, no repaint.
void SetTextColour(QWidget* widget, const QColor& colour);
void SetBaseColour(QWidget* widget, const QColor& colour);

}  // namespace tavik
