#include "quorvane/ui/fonts.h"

#include <QStringList>

namespace quorvane::ui {
namespace {

QFont japaneseFont(const QStringList& families, QFont::StyleHint hint, qreal pointSize) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setFixedPitch(hint == QFont::TypeWriter);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

} // namespace

QFont gothicFont(qreal pointSize) {
    return japaneseFont({QStringLiteral(u"ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                         QStringLiteral("IPAGothic"), QStringLiteral(u"IPAゴシック"),
                         QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("VL Gothic")},
                        QFont::TypeWriter, pointSize);
}

QFont uiFont() {
    return japaneseFont({QStringLiteral("MS UI Gothic"), QStringLiteral("Meiryo UI"),
                         QStringLiteral("IPAPGothic"), QStringLiteral(u"IPA Pゴシック"),
                         QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic")},
                        QFont::SansSerif, 9);
}

} // namespace quorvane::ui
