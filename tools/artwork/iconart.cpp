// SPDX-License-Identifier: GPL-3.0-or-later
#include "iconart.h"

#include "glyphs.h"

#include <QPainter>

namespace IconArt {
QImage icon(const Glyphs& glyphs, int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal radius = s * 0.18;
    p.setPen(QPen(QColor(214, 190, 150), qMax(1.0, s / 32)));
    p.setBrush(QColor(32, 32, 32));
    const qreal inset = qMax(0.5, s / 64);
    p.drawRoundedRect(QRectF(inset, inset, s - 2 * inset, s - 2 * inset), radius, radius);

    // Two staff lines behind the clef, then the clef and a green whole note:
    // the look of the trainer's view at a glance.
    if (size >= 32) {
        p.setPen(QPen(QColor(255, 255, 255, 150), s / 64));
        for (int i = 1; i <= 5; ++i) {
            const qreal y = s * (0.26 + 0.1 * i);
            p.drawLine(QPointF(s * 0.1, y), QPointF(s * 0.9, y));
        }
    }
    p.setPen(Qt::NoPen);
    const QRectF clef = size >= 32 ? QRectF(s * 0.14, s * 0.1, s * 0.3, s * 0.8)
                                   : QRectF(s * 0.28, s * 0.08, s * 0.44, s * 0.84);
    p.fillPath(glyphs.fitted(Symbol::TrebleClef, clef), Qt::white);
    if (size >= 32) {
        const QRectF head(s * 0.56, s * 0.5, s * 0.21, s * 0.13); // on the middle line
        p.fillPath(glyphs.fitted(Symbol::WholeNote, head), QColor(14, 254, 2));
    }
    return image;
}
} // namespace IconArt
