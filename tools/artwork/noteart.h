// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QPainterPath>
#include <QRectF>

class Glyphs;

// Note heads and accidental signs: the separate pictures the view copies onto
// the staff, and the same shapes as the scale pictures use them.
namespace NoteArt {
// Whole-note head whose staff line (or the middle of its space) is row
// `lineRow`, 10 rows tall like the view's heads, left edge at `left`.
QPainterPath head(const Glyphs& glyphs, qreal left, int lineRow, qreal width, qreal height);
// Signs centred on the note at `lineRow`, left edge at `left`.
QPainterPath sharp(const Glyphs& glyphs, qreal left, int lineRow, qreal width, qreal height);
QPainterPath natural(const Glyphs& glyphs, qreal left, int lineRow, qreal width, qreal height);
// The flat's bowl spans rows bowlTop..bowlBottom; its stem rises to stemTop.
QPainterPath flat(const Glyphs& glyphs, qreal left, qreal width, qreal stemTop, qreal bowlTop,
                  qreal bowlBottom);

QImage headPicture(const Glyphs& glyphs, QRgb colour);                 // 18 x 10 on dark grey
QImage signPicture(const Glyphs& glyphs, int accidental, QRgb colour); // 10 x 30 on black
} // namespace NoteArt
