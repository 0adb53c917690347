#include "qt_colour.h"

#include <QApplication>

namespace tavik {

QColor QtColour(TColour colour, const QWidget* widget) {
    const QPalette palette = widget ? QApplication::palette(widget) : QApplication::palette();
    switch (colour.Kind) {
    case TColour::TKind::Rgb: break;
    case TColour::TKind::Text: return palette.color(QPalette::Text);
    case TColour::TKind::Face: return palette.color(QPalette::Midlight);
    }
    return QColor(colour.R, colour.G, colour.B);
}

}  // namespace tavik
