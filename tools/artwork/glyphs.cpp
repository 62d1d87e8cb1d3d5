// SPDX-License-Identifier: GPL-3.0-or-later
#include "glyphs.h"

#include <QFontDatabase>
#include <QTransform>
#include <cstdio>

namespace {
const char* const FontFiles[] = {
    "/usr/share/fonts/truetype/freefont/FreeSerif.ttf",
    "/usr/share/fonts/opentype/freefont/FreeSerif.otf",
};
}

bool Glyphs::load() {
    for (const char* file : FontFiles) {
        const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
        if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty()) {
            m_family = QFontDatabase::applicationFontFamilies(id).first();
            return true;
        }
    }
    std::fprintf(stderr, "qvb-artwork: FreeSerif not found (Debian package fonts-freefont-ttf)\n");
    return false;
}

QFont Glyphs::serif(int pixelSize) const {
    QFont font(m_family);
    font.setPixelSize(pixelSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QPainterPath Glyphs::outline(char32_t symbol) const {
    QPainterPath path;
    path.addText(0, 0, serif(100), QString::fromUcs4(&symbol, 1));
    return path;
}

QPainterPath Glyphs::fitted(char32_t symbol, const QRectF& box) const {
    return fitPath(outline(symbol), box);
}

QPainterPath fitPath(const QPainterPath& path, const QRectF& box) {
    const QRectF from = path.boundingRect();
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width() / from.width(), box.height() / from.height());
    t.translate(-from.left(), -from.top());
    return t.map(path);
}
