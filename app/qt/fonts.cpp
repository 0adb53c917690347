#include "fonts.h"

#include <QStringList>

namespace tavik {

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
}

QFont FontFor(TFontRole role) {
    const TFontSpec& laidOut = FontOf(role);
    const QString face = QString::fromUtf8(laidOut.Face);
    if (role == TFontRole::ChartLabel) {
        QFont font;
        font.setFamilies({face, QStringLiteral("Liberation Sans")});
        font.setPixelSize(laidOut.Pixels);
        return font;
    }
    QFont font(face);
    font.setPixelSize(laidOut.Pixels);
    font.setBold(laidOut.Bold);
    font.setItalic(laidOut.Italic);
    font.setStyleHint(face == QLatin1String("Times New Roman") ? QFont::Serif : QFont::SansSerif);
    return font;
}

}  // namespace tavik
