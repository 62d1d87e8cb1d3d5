// SPDX-License-Identifier: GPL-3.0-or-later
#include "staffart.h"

#include "glyphs.h"
#include "noteart.h"
#include "twotone.h"

namespace StaffArt {
namespace {
constexpr int LineRows[] = {29, 39, 49, 59, 69, 89, 99, 109, 119, 129};
constexpr int TopLine = 29;
constexpr int BottomLine = 129;

void drawStaff(QImage& image, int left, int right) {
    for (int row : LineRows)
        paintRow(image, row, left, right, White);
    paintColumn(image, left, TopLine, BottomLine, White);
    paintColumn(image, right, TopLine, BottomLine, White);
}

// Clefs sized for staff spaces of 10 rows: the treble clef's curl round the
// G line (row 59), the bass clef's dots either side of the F line (row 99).
void drawClefs(QImage& image, const Glyphs& glyphs, qreal left) {
    constexpr int ClefCut = 96; // keeps the clefs' hairlines whole
    paintTwoTone(image, glyphs.fitted(Symbol::TrebleClef, QRectF(left, 16, 25, 70)), White,
                 ClefCut);
    paintTwoTone(image, glyphs.fitted(Symbol::BassClef, QRectF(left, 89.5, 27, 30)), White,
                 ClefCut);
}

// Ledger rows a note at staff position p needs.
void drawLedgers(QImage& image, int p, int x0, int x1) {
    if (p <= 2)
        paintRow(image, rowOfPosition(2), x0, x1, White);
    if (p == 0)
        paintRow(image, rowOfPosition(0), x0, x1, White);
    if (p == 14)
        paintRow(image, rowOfPosition(14), x0, x1, White);
    if (p >= 26)
        paintRow(image, rowOfPosition(26), x0, x1, White);
    if (p >= 28)
        paintRow(image, rowOfPosition(28), x0, x1, White);
}

QImage blankScale(const Glyphs& glyphs) {
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Ground);
    drawStaff(image, 0, Width - 1);
    drawClefs(image, glyphs, 4);
    return image;
}

constexpr int FirstCell = 31;

void drawNaturalScale(QImage& image, const Glyphs& glyphs) {
    constexpr int cellWidth = 30;
    for (int k = 0; k < 29; ++k) {
        const int cell = FirstCell + k * cellWidth;
        const int row = rowOfPosition(k);
        drawLedgers(image, k, cell + 3, cell + 26);
        paintTwoTone(image, NoteArt::head(glyphs, cell + 7, row, 16, 10), White);
    }
}

// Each of the twelve pitch classes has one written form: C, C sharp, D,
// D sharp, E, F, F sharp, G, G sharp, A, B flat, and H with its natural sign.
struct Spelling {
    int step;
    int sign; // -1 flat, +1 sharp, 2 natural
};
constexpr Spelling Chromatic[12] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0},  {3, 0},
                                    {3, 1}, {4, 0}, {4, 1}, {5, 0}, {6, -1}, {6, 2}};

void drawChromaticScale(QImage& image, const Glyphs& glyphs) {
    constexpr int cellWidth = 18;
    for (int k = 0; k < 49; ++k) {
        const int cell = FirstCell + k * cellWidth;
        const Spelling s = Chromatic[k % 12];
        const int p = 7 * (k / 12) + s.step;
        const int row = rowOfPosition(p);
        // Sign in the cell's first six columns, head in the rest; the ledger
        // line reaches past the head on both sides and stays inside the cell.
        drawLedgers(image, p, cell + 4, cell + 17);
        paintTwoTone(image, NoteArt::head(glyphs, cell + 6, row, 10.5, 9), White);
        constexpr int SignCut = 96;
        if (s.sign == 1)
            paintTwoTone(image, NoteArt::sharp(glyphs, cell, row, 6.5, 22), White, SignCut);
        else if (s.sign == 2)
            paintTwoTone(image, NoteArt::natural(glyphs, cell + 0.5, row, 5, 22), White, SignCut);
        else if (s.sign == -1)
            paintTwoTone(image, NoteArt::flat(glyphs, cell + 0.5, 5.5, row - 12, row - 4, row + 5),
                         White, SignCut);
    }
}
} // namespace

QImage upperStaff(const Glyphs& glyphs) {
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Ground);
    drawStaff(image, 80, Width - 1);
    drawClefs(image, glyphs, 85);
    return image;
}

QImage scale(const Glyphs& glyphs, bool accidentals) {
    QImage image = blankScale(glyphs);
    if (accidentals)
        drawChromaticScale(image, glyphs);
    else
        drawNaturalScale(image, glyphs);
    return image;
}
} // namespace StaffArt
