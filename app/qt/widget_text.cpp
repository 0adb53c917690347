#include "widget_text.h"

namespace tavik {

void SetTextColour(QWidget* widget, const QColor& colour) {
    const QPalette& current = widget->palette();
    if (current.color(QPalette::WindowText) == colour && current.color(QPalette::Text) == colour &&
        current.color(QPalette::ButtonText) == colour)
        return;
    QPalette palette = current;
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

void SetBaseColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
}

}  // namespace tavik
