#pragma once
// Small helpers the window's handlers share: texts between Qt and the core,
// and the colours of a widget's text and background.
#include <QLabel>
#include <QString>
#include <string>

namespace tavik {

inline QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string Utf8(const QString& text) { return text.toStdString(); }

// Window text, text and button text in one colour; no change, no repaint.
void SetTextColour(QWidget* widget, const QColor& colour);
void SetBaseColour(QWidget* widget, const QColor& colour);

// The text colour the style gives this kind of widget: what "normal" is, on a
// light desktop theme and on a dark one.
QColor NormalTextColour(const QWidget* widget);

// A label keeps its top-left corner and takes the width of its text.
void SetLabelText(QLabel* label, const QString& text);

}  // namespace tavik
