#include "fonts.h"

#include <QStringList>

namespace tavik {

namespace {
QFont Font(const QString& face, int pixels, bool bold, bool italic) {
    QFont font(face);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    font.setStyleHint(face == QLatin1String("Times New Roman") ? QFont::Serif : QFont::SansSerif);
    return font;
}
}  // namespace

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
}

QFont WindowFont() { return Font(QStringLiteral("MS Sans Serif"), 11, false, false); }
QFont TitleFont() { return Font(QStringLiteral("MS Sans Serif"), 15, true, true); }
QFont SectionFont() { return Font(QStringLiteral("MS Sans Serif"), 11, true, true); }
QFont CaptionFont() { return Font(QStringLiteral("MS Sans Serif"), 11, true, false); }
QFont ReadingFont() { return Font(QStringLiteral("Times New Roman"), 20, true, false); }

}  // namespace tavik
