// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QPainterPath>

// The view combines the pictures bitwise (OR, AND, AND NOT), so a blended edge
// pixel would turn into a stray colour there. Shapes are therefore rendered
// with antialiasing into a coverage mask and cut at half coverage: every pixel
// ends up either the ground or exactly the shape's colour.
// Thin strokes of small signs vanish at half coverage; they take a lower cut.
void paintTwoTone(QImage& target, const QPainterPath& shape, QRgb colour, int cut = 128);

// An exact one-pixel-high run of columns x0..x1 inclusive.
void paintRow(QImage& target, int y, int x0, int x1, QRgb colour);
// An exact one-pixel-wide run of rows y0..y1 inclusive.
void paintColumn(QImage& target, int x, int y0, int y1, QRgb colour);
