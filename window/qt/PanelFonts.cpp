#include "window/qt/PanelFonts.h"

#include <QString>
#include <QStringList>
#include <cmath>

namespace tqv::window::qt {

namespace {

// Faces with the GB2312 repertoire, most likely first; fontconfig supplies the
// rest when none of them is installed.
const QStringList& chineseFallbacks() {
    static const QStringList families{
        QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Source Han Sans SC"),
        QStringLiteral("Microsoft YaHei"),
        QStringLiteral("SimSun"),
    };
    return families;
}

}  // namespace

int pixelsForPoints(double points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

QFont panelFont() {
    QFont font;
    font.setFamilies(chineseFallbacks());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(PanelPixelSize);
    return font;
}

QFont requestedFont(const FontSetting& row) {
    QFont font;
    QStringList families{
        QString::fromUtf8(row.family.data(), static_cast<qsizetype>(row.family.size()))};
    families += chineseFallbacks();
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelsForPoints(row.pointSize));
    font.setWeight(static_cast<QFont::Weight>(row.weight));
    return font;
}

}  // namespace tqv::window::qt
