// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QRgb>
#include <array>

#include "noteslot.h"

class QPainter;
class ViewPictures;

// Draws the notes of a round on the upper staff: an open note as the white
// bar that hides it (or its white head in practice mode), a wrong one as a red
// bar (or red head), a right one as its green head; notes on the line also
// get their accidental and ledger lines once they may be seen.
class NotePainter {
public:
    NotePainter(const ViewPictures& pictures, const QImage& barImage);

    // Sets drawX and drawY from the slot's position, then draws it.
    void draw(QPainter& p, NoteSlot& slot, bool practice) const;

    // Rows (offsets below the staff's top) of the ledger lines a note needs;
    // 0 marks an unused entry.
    static std::array<int, 2> ledgerOffsets(int octave, int step);

private:
    void drawBody(QPainter& p, const NoteSlot& slot, int x, int y, bool practice) const;
    void drawSignAndLedgers(QPainter& p, const NoteSlot& slot, int x, int y) const;

    const ViewPictures& m_pictures;
    const QImage& m_barImage;
};
