// SPDX-License-Identifier: GPL-3.0-or-later
#include "notepainter.h"

#include "rasterops.h"
#include "viewpictures.h"
#include "viewstyle.h"

#include <cmath>

using RasterOps::Mix;

namespace {
constexpr int WhiteHead = 176, GreenHead = 177, RedHead = 178;
constexpr int WhiteFlat = 129, WhiteSharp = 139; // green and red follow each
} // namespace

NotePainter::NotePainter(const ViewPictures& pictures, const QImage& barImage)
    : m_pictures(pictures), m_barImage(barImage) {}

std::array<int, 2> NotePainter::ledgerOffsets(int octave, int step) {
    if (octave == 0 && step == 0)
        return {139, 149};
    if (octave == 0 && (step == 1 || step == 2))
        return {139, 0};
    if (octave == 2 && step == 0)
        return {79, 0};
    if (octave == 3 && (step == 5 || step == 6))
        return {19, 0};
    if (octave == 4 && step == 0)
        return {9, 19};
    return {0, 0};
}

void NotePainter::draw(QPainter& p, NoteSlot& slot, bool practice) const {
    if (slot.state == NoteSlot::Free)
        return;
    // Positions are truncated toward zero into 16 bits and then read as
    // unsigned: a position left of the view lands far to the right of it.
    slot.drawX = static_cast<int16_t>(std::trunc(slot.x));
    slot.drawY = static_cast<int16_t>(std::trunc(slot.y));
    const int x = static_cast<uint16_t>(slot.drawX);
    const int y = static_cast<uint16_t>(slot.drawY);
    if (slot.state == NoteSlot::Finished)
        return;
    drawBody(p, slot, x, y, practice);
    const bool onLine = slot.state == NoteSlot::OnLine || slot.state == NoteSlot::ClickedRight;
    if (onLine && (slot.result == 1 || practice))
        drawSignAndLedgers(p, slot, x, y);
}

void NotePainter::drawBody(QPainter& p, const NoteSlot& slot, int x, int y, bool practice) const {
    const QSize head = m_pictures.size(WhiteHead);
    switch (slot.result) {
    case 1:
        RasterOps::orCopy(p, x, y, m_pictures.picture(GreenHead), head);
        break;
    case 0:
        if (practice)
            RasterOps::orCopy(p, x, y, m_pictures.picture(WhiteHead), head);
        else
            RasterOps::orCopy(p, x, ViewLayout::BarTop, m_barImage, m_barImage.size());
        break;
    case -1:
        if (practice)
            RasterOps::orCopy(p, x, y, m_pictures.picture(RedHead), head);
        else
            RasterOps::rectangle(
                p, QRect(x, ViewLayout::BarTop, ViewLayout::RedBarWidth, ViewLayout::BarHeight),
                ViewColour::Red, ViewColour::White, Mix::Copy);
        break;
    default:
        break;
    }
}

void NotePainter::drawSignAndLedgers(QPainter& p, const NoteSlot& slot, int x, int y) const {
    int shade; // 0 white, 1 green, 2 red: the order of the sign pictures
    QRgb colour;
    switch (slot.result) {
    case 0:
        shade = 0, colour = ViewColour::White;
        break;
    case 1:
        shade = 1, colour = ViewColour::Green;
        break;
    case -1:
        shade = 2, colour = ViewColour::Red;
        break;
    default:
        return;
    }
    const QSize sign = m_pictures.size(WhiteSharp);
    const int signX = x + ViewLayout::SignDX, signY = y + ViewLayout::SignDY;
    if (slot.accidental == -1)
        RasterOps::orCopy(p, signX, signY, m_pictures.picture(WhiteFlat + shade), sign);
    else if (slot.accidental == 1)
        RasterOps::orCopy(p, signX, signY, m_pictures.picture(WhiteSharp + shade), sign);

    for (int k : ledgerOffsets(slot.octave, slot.step)) {
        if (k == 0)
            continue;
        // Each ledger line is two rows thick: rows k and k + 1 below the staff's top.
        for (int row = ViewLayout::StaffY + k; row <= ViewLayout::StaffY + k + 1; ++row)
            RasterOps::hLine(p, x + ViewLayout::LedgerLeft, x + ViewLayout::LedgerRight, row,
                             colour, Mix::Copy);
    }
}
