// SPDX-License-Identifier: GPL-3.0-or-later
#include "twotone.h"

#include <QPainter>

void paintTwoTone(QImage& target, const QPainterPath& shape, QRgb colour, int cut) {
    QImage coverage(target.size(), QImage::Format_Grayscale8);
    coverage.fill(0);
    {
        QPainter p(&coverage);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(shape, Qt::white);
    }
    for (int y = 0; y < target.height(); ++y) {
        const uchar* cov = coverage.constScanLine(y);
        auto* line = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = 0; x < target.width(); ++x) {
            if (cov[x] >= cut)
                line[x] = colour;
        }
    }
}

void paintRow(QImage& target, int y, int x0, int x1, QRgb colour) {
    for (int x = x0; x <= x1; ++x)
        target.setPixel(x, y, colour);
}

void paintColumn(QImage& target, int x, int y0, int y1, QRgb colour) {
    for (int y = y0; y <= y1; ++y)
        target.setPixel(x, y, colour);
}
