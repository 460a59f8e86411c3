#include "charts/ChartFonts.h"

#include <QFontDatabase>

namespace tavik {

QString ResolveFontFamily(const QString& face) {
    if (QFontDatabase::hasFamily(face)) {
        return face;
    }
    const bool arialLike = face.compare(QStringLiteral("Arial"), Qt::CaseInsensitive) == 0 ||
                           face.compare(QStringLiteral("Helvetica"), Qt::CaseInsensitive) == 0;
    const QString liberation = QStringLiteral("Liberation Sans");
    if (arialLike && QFontDatabase::hasFamily(liberation)) {
        return liberation;
    }
    QFont sans;
    sans.setStyleHint(QFont::SansSerif);
    return sans.defaultFamily();
}

QFont MakeChartFont(const QString& face, int pixels, int weight) {
    QFont font(ResolveFontFamily(face));
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

}  // namespace tavik
