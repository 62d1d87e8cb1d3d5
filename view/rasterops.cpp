#include "rasterops.h"

namespace RasterOps {
namespace {
// The raster engine ORs images taller than about 80 rows on a slow path
// (~35 us for the 18 x 120 bar, against ~2 us in two halves), so OR-copies
// are made in bands of at most this many rows.
constexpr int OrBandRows = 60;

QPainter::CompositionMode modeOf(Mix mix) {
    switch (mix) {
    case Mix::And:
        return QPainter::RasterOp_SourceAndDestination;
    case Mix::AndNot:
        // colour AND NOT destination; Qt's NotSourceAndDestination is the other way round
        return QPainter::RasterOp_SourceAndNotDestination;
    case Mix::Copy:
        break;
    }
    return QPainter::CompositionMode_Source;
}
} // namespace

void copy(QPainter& p, int x, int y, const QImage& image, QSize size) {
    if (image.isNull() || size.isEmpty())
        return;
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(x, y), image, QRect(QPoint(0, 0), size));
}

void orCopy(QPainter& p, int x, int y, const QImage& image, QSize size) {
    if (image.isNull() || size.isEmpty())
        return;
    p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    for (int top = 0; top < size.height(); top += OrBandRows) {
        const int rows = qMin(OrBandRows, size.height() - top);
        p.drawImage(QPoint(x, y + top), image, QRect(0, top, size.width(), rows));
    }
}

void rectangle(QPainter& p, const QRect& r, QRgb fill, QRgb line, Mix mix) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    // Five disjoint fills: QPainter's own rectangle would paint its pen over
    // the brush's first row and column and cover one pixel more each way,
    // which an AND-NOT mix would undo.
    p.setCompositionMode(modeOf(mix));
    const QColor lineColour = QColor::fromRgb(line);
    const int l = r.left(), t = r.top(), w = r.width(), h = r.height();
    p.fillRect(QRect(l, t, w, 1), lineColour);
    if (h > 1)
        p.fillRect(QRect(l, t + h - 1, w, 1), lineColour);
    if (h > 2) {
        p.fillRect(QRect(l, t + 1, 1, h - 2), lineColour);
        if (w > 1)
            p.fillRect(QRect(l + w - 1, t + 1, 1, h - 2), lineColour);
        if (w > 2)
            p.fillRect(QRect(l + 1, t + 1, w - 2, h - 2), QColor::fromRgb(fill));
    }
}

void hLine(QPainter& p, int x0, int x1, int y, QRgb colour, Mix mix) {
    if (x1 <= x0)
        return;
    p.setCompositionMode(modeOf(mix));
    p.fillRect(QRect(x0, y, x1 - x0, 1), QColor::fromRgb(colour));
}

void vLine(QPainter& p, int x, int y0, int y1, QRgb colour, Mix mix) {
    if (y1 <= y0)
        return;
    p.setCompositionMode(modeOf(mix));
    p.fillRect(QRect(x, y0, 1, y1 - y0), QColor::fromRgb(colour));
}
} // namespace RasterOps
