#include "qt/fonts.h"

#include <QStringList>

namespace pm {

void installFontSubstitutions() {
    // AR PL UMing is a Ming (Song) face, the style the window is drawn for; WenQuanYi Micro Hei is
    // a sans face that still has every glyph, for systems without UMing.
    const QStringList songFaces{
        QStringLiteral("AR PL UMing CN"),      QStringLiteral("AR PL UMing TW"),
        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("SimSun")};
    QFont::insertSubstitutions(QString::fromUtf8(kSongFamily), songFaces);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), songFaces);
}

QFont toQFont(const FontSpec& design) {
    QFont font(QString::fromStdString(design.family));
    font.setPointSizeF(design.points);
    font.setBold(design.bold);
    return font;
}

}  // namespace pm
