// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRgb>

// The four ways the view combines pixels, done exactly on the raster engine
// (antialiasing off), whether the painter draws on the view or into an image.
namespace RasterOps {
// copy: the source replaces the destination.
void copy(QPainter& p, int x, int y, const QImage& image, QSize size);
// OR-copy: destination OR source, per channel. A black ground leaves the
// destination as it was; a dark grey ground leaves dark grey and white alone.
void orCopy(QPainter& p, int x, int y, const QImage& image, QSize size);

// The mix modes of fills and lines.
enum class Mix { Copy, And, AndNot };

// A rectangle with a one-pixel border in `line` and the inside in `fill`,
// both under `mix`; `r` covers left .. right - 1 and top .. bottom - 1.
void rectangle(QPainter& p, const QRect& r, QRgb fill, QRgb line, Mix mix);
// A one-pixel line from (x0, y) to (x1, y), the end point excluded.
void hLine(QPainter& p, int x0, int x1, int y, QRgb colour, Mix mix);
// A one-pixel line from (x, y0) to (x, y1), the end point excluded.
void vLine(QPainter& p, int x, int y0, int y1, QRgb colour, Mix mix);
} // namespace RasterOps
