// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QRect>
#include <QRgb>

#include "mistakestats.h"

class Compass;

// The lower staff of the trainer view with each cell coloured by how often
// its note was right at the first try: green always, yellow half the time,
// red rarely. The colour is laid on the way the view marks the cell under the
// pointer, as a negative, so the notes stand out black; a cell never asked
// stays as the view draws it.
namespace MistakeMapPainter {
// The rows of the view's back image that hold the lower staff.
QRect staffRect(const Compass& compass, int viewWidth);
// The colour for a share right at the first try (0..1).
QRgb rateColour(double firstRightRate);
// The cell's rectangle within the staff image.
QRect cellRect(const Compass& compass, int cell);
// The staff image: the lower staff cut from `viewBack`, the cells coloured.
QImage render(const QImage& viewBack, const Compass& compass, const MistakeStats& stats);
// The cell under a point of the staff image, or -1.
int cellAt(const Compass& compass, QPoint staffPos);
} // namespace MistakeMapPainter
