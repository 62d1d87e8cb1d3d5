// SPDX-License-Identifier: GPL-3.0-or-later
#include "mistakemappainter.h"

#include <QPainter>
#include <algorithm>

#include "compass.h"
#include "rasterops.h"
#include "viewstyle.h"

namespace {
constexpr int StaffTopAbove = 2; // the cells reach two rows above the scale picture
constexpr int StaffHeight = 164;
} // namespace

namespace MistakeMapPainter {

QRect staffRect(const Compass& compass, int viewWidth) {
    return QRect(0, compass.m_scaleY - StaffTopAbove, viewWidth, StaffHeight);
}

QRgb rateColour(double rate) {
    rate = std::clamp(rate, 0.0, 1.0);
    // Red to yellow over the lower half, yellow to green over the upper.
    const int red = rate <= 0.5 ? 255 : int(255 * (1.0 - rate) * 2 + 0.5);
    const int green = rate >= 0.5 ? 255 : int(255 * rate * 2 + 0.5);
    return qRgb(red, green, 0);
}

QRect cellRect(const Compass& compass, int cell) {
    const int left = compass.m_scaleX + compass.m_cellOffset + cell * compass.m_cellWidth;
    return QRect(left, 0, compass.m_cellWidth, StaffHeight);
}

QImage render(const QImage& viewBack, const Compass& compass, const MistakeStats& stats) {
    QImage staff = viewBack.copy(staffRect(compass, viewBack.width()))
                       .convertToFormat(QImage::Format_RGB32);
    QPainter p(&staff);
    for (int cell = 0; cell < compass.m_cellCount; ++cell) {
        const int note = compass.cellToNote(cell);
        if (note < 0 || note >= int(stats.notes.size()))
            continue;
        const NoteTally& tally = stats.notes[size_t(note)];
        if (tally.asked == 0)
            continue;
        RasterOps::rectangle(p, cellRect(compass, cell), rateColour(tally.firstRightRate()),
                             ViewColour::Black, RasterOps::Mix::AndNot);
    }
    return staff;
}

int cellAt(const Compass& compass, QPoint staffPos) {
    if (staffPos.y() < 0 || staffPos.y() >= StaffHeight)
        return -1;
    const int x = staffPos.x() - compass.m_scaleX - compass.m_cellOffset;
    if (x < 0)
        return -1;
    const int cell = x / compass.m_cellWidth;
    return cell < compass.m_cellCount ? cell : -1;
}

} // namespace MistakeMapPainter
