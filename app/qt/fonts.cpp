#include "fonts.h"

#include <QStringList>

namespace tavik {

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
}

QFont FontFor(TFontRole role) {
    const TFontSpec& spec = FontOf(role);
    const QString face = QString::fromUtf8(spec.Face);
    if (role == TFontRole::ChartLabel) {
        QFont font;
        font.setFamilies({face, QStringLiteral("Liberation Sans")});
        font.setPixelSize(spec.Pixels);
        return font;
    }
    QFont font(face);
    font.setPixelSize(spec.Pixels);
    font.setBold(spec.Bold);
    font.setItalic(spec.Italic);
    font.setStyleHint(face == QLatin1String("Times New Roman") ? QFont::Serif : QFont::SansSerif);
    return font;
}

}  // namespace tavik
