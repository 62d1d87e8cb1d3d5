// SPDX-License-Identifier: GPL-3.0-or-later
#include "noteart.h"

#include "glyphs.h"
#include "twotone.h"

#include <QPainter>

namespace NoteArt {
namespace {
constexpr QRgb DarkGrey = 0xff202020;
constexpr QRgb Black = 0xff000000;

// Where the flat's bowl begins, as a fraction of the glyph's height from its
// top: the first row that is clearly wider than the stem.
qreal bowlStart(const QPainterPath& outline) {
    QImage probe(200, 600, QImage::Format_Grayscale8);
    probe.fill(0);
    {
        QPainter p(&probe);
        p.fillPath(fitPath(outline, QRectF(0, 0, probe.width(), probe.height())), Qt::white);
    }
    auto widthOf = [&](int y) {
        const uchar* line = probe.constScanLine(y);
        int n = 0;
        for (int x = 0; x < probe.width(); ++x)
            n += line[x] > 127 ? 1 : 0;
        return n;
    };
    const int stem = widthOf(probe.height() / 10);
    for (int y = probe.height() / 10; y < probe.height(); ++y) {
        if (widthOf(y) > 2 * stem)
            return qreal(y) / probe.height();
    }
    return 0.6;
}
} // namespace

QPainterPath head(const Glyphs& glyphs, qreal left, int lineRow, qreal width, qreal height) {
    // The row of the line is the middle of the head, so the outline spans
    // half the height above and below that row's centre.
    const qreal centre = lineRow + 0.5;
    return glyphs.fitted(Symbol::WholeNote, QRectF(left, centre - height / 2, width, height));
}

QPainterPath sharp(const Glyphs& glyphs, qreal left, int lineRow, qreal width, qreal height) {
    return glyphs.fitted(Symbol::Sharp, QRectF(left, lineRow + 0.5 - height / 2, width, height));
}

QPainterPath natural(const Glyphs& glyphs, qreal left, int lineRow, qreal width, qreal height) {
    return glyphs.fitted(Symbol::Natural, QRectF(left, lineRow + 0.5 - height / 2, width, height));
}

QPainterPath flat(const Glyphs& glyphs, qreal left, qreal width, qreal stemTop, qreal bowlTop,
                  qreal bowlBottom) {
    // The bowl must cover a given run of rows while the sign stays within its
    // picture, so the stem and the bowl are scaled apart.
    QPainterPath path = glyphs.outline(Symbol::Flat);
    const QRectF box = path.boundingRect();
    const qreal split = box.top() + bowlStart(path) * box.height();
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const qreal x = left + (e.x - box.left()) / box.width() * width;
        qreal y;
        if (e.y <= split)
            y = stemTop + (e.y - box.top()) / (split - box.top()) * (bowlTop - stemTop);
        else
            y = bowlTop + (e.y - split) / (box.bottom() - split) * (bowlBottom - bowlTop);
        path.setElementPositionAt(i, x, y);
    }
    return path;
}

QImage headPicture(const Glyphs& glyphs, QRgb colour) {
    QImage image(18, 10, QImage::Format_RGB32);
    image.fill(DarkGrey);
    paintTwoTone(image, head(glyphs, 1, 4, 16, 10), colour);
    return image;
}

QImage signPicture(const Glyphs& glyphs, int accidental, QRgb colour) {
    QImage image(10, 30, QImage::Format_RGB32);
    image.fill(Black);
    // The view puts the sign 10 rows above its head, whose line is the head's
    // row 4: the flat's bowl hangs round that line (rows 12 to 21), the
    // sharp's middle sits on row 15.
    if (accidental < 0)
        paintTwoTone(image, flat(glyphs, 1.5, 7, 1, 12, 22.6), colour);
    else
        paintTwoTone(image, sharp(glyphs, 1, 15, 8, 24), colour);
    return image;
}
} // namespace NoteArt
