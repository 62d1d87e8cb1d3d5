// SPDX-License-Identifier: GPL-3.0-or-later
#include "logoart.h"

#include "glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace LogoArt {
namespace {
const QColor Ground(32, 32, 32);
const QColor Line(214, 190, 150);  // the drawing
const QColor Light(240, 224, 190); // the caption
const QColor Wood(168, 136, 96);   // the cello's body, a darker beige

// The cello's outline: upper bout, waist, lower bout, centred on x = 0 with
// its top at y = 0, `h` tall.
QPainterPath celloBody(qreal h) {
    const qreal u = h / 24;
    QPainterPath path;
    path.moveTo(0, 0);
    path.cubicTo(4 * u, 0, 6.5 * u, 2 * u, 6.5 * u, 5.5 * u);
    path.cubicTo(6.5 * u, 8 * u, 4 * u, 9 * u, 4 * u, 11 * u);
    path.cubicTo(4 * u, 13 * u, 8 * u, 14 * u, 8 * u, 18 * u);
    path.cubicTo(8 * u, 22 * u, 4 * u, 24 * u, 0, 24 * u);
    path.cubicTo(-4 * u, 24 * u, -8 * u, 22 * u, -8 * u, 18 * u);
    path.cubicTo(-8 * u, 14 * u, -4 * u, 13 * u, -4 * u, 11 * u);
    path.cubicTo(-4 * u, 9 * u, -6.5 * u, 8 * u, -6.5 * u, 5.5 * u);
    path.cubicTo(-6.5 * u, 2 * u, -4 * u, 0, 0, 0);
    return path;
}

void drawCellist(QPainter& p) {
    QPen pen(Line, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);

    // The player, seen from the front, sitting on a stool behind the cello,
    // a little to the left so that the scroll stands beside the head.
    p.save();
    p.translate(-3, 0);
    p.drawEllipse(QPointF(104, 8), 4, 4.6);           // head
    p.drawLine(QPointF(104, 12.6), QPointF(104, 15)); // neck
    QPainterPath torso;
    torso.moveTo(95, 18);
    torso.quadTo(104, 14, 113, 18); // shoulders
    torso.moveTo(96, 18);
    torso.lineTo(98, 33);
    torso.moveTo(112, 18);
    torso.lineTo(110, 33);
    p.drawPath(torso);
    p.drawLine(QPointF(94, 33), QPointF(116, 33)); // stool
    p.drawLine(QPointF(96, 33), QPointF(95, 47));
    p.drawLine(QPointF(114, 33), QPointF(115, 47));

    QPainterPath legs; // knees spread round the cello
    legs.moveTo(98, 33);
    legs.lineTo(89, 36);
    legs.lineTo(88, 47);
    legs.lineTo(84, 47);
    legs.moveTo(110, 33);
    legs.lineTo(120, 36);
    legs.lineTo(121, 47);
    legs.lineTo(125, 47);
    p.drawPath(legs);
    p.restore();

    // The cello, leaning back against the player's left shoulder.
    p.save();
    p.translate(106, 22);
    p.rotate(12);
    p.setBrush(Wood);
    p.drawPath(celloBody(24));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(0, 0), QPointF(0, -17));        // neck
    p.drawEllipse(QPointF(0, -18.5), 1.3, 1.6);        // scroll
    p.drawLine(QPointF(-1.2, -15), QPointF(1.2, -15)); // pegs
    p.drawLine(QPointF(0, 24), QPointF(0, 28));        // end pin
    QPen thin(Line, 0.7);
    p.setPen(thin);
    p.drawLine(QPointF(-1, -16), QPointF(-1, 15)); // strings
    p.drawLine(QPointF(1, -16), QPointF(1, 15));
    p.drawLine(QPointF(-2.5, 15), QPointF(2.5, 15)); // bridge
    p.restore();

    // The arms: the left hand on the neck, the right one drawing the bow.
    p.setPen(pen);
    QPainterPath arms;
    arms.moveTo(109, 18);
    arms.quadTo(117, 20, 108, 12.5);
    arms.moveTo(93, 18);
    arms.quadTo(85, 26, 95, 30);
    p.drawPath(arms);
    p.drawLine(QPointF(84, 28), QPointF(128, 35)); // bow
}

void drawCaption(QPainter& p, const Glyphs& glyphs) {
    QFont font = glyphs.serif(16);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(font);
    p.setPen(Light);
    p.drawText(QRectF(0, 50, 214, 19), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("MUSIK@QVB"));
}
} // namespace

QImage logo(const Glyphs& glyphs) {
    QImage image(214, 69, QImage::Format_RGB32);
    image.fill(Ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawCellist(p);
    drawCaption(p, glyphs);
    return image;
}
} // namespace LogoArt
