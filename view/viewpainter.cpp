// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewpainter.h"

#include "compass.h"
#include "notepainter.h"
#include "rasterops.h"
#include "traininground.h"
#include "viewstyle.h"

#include <QPainter>
#include <algorithm>

using RasterOps::Mix;

namespace {
constexpr int UpperStaff = 147, Logo = 143, ScaleNatural = 174, ScaleChromatic = 171;
constexpr int GreenHead = 177, WhiteHead = 176;
} // namespace

int ViewPainter::initViewResources() {
    return m_pictures.load();
}

int ViewPainter::initViewResources(ViewPictures pictures) {
    m_pictures = std::move(pictures);
    return m_pictures.count();
}

void ViewPainter::createImages(QSize viewSize) {
    m_backImage = QImage(viewSize, QImage::Format_RGB32);
    m_backImage.fill(ViewColour::DarkGrey);
    // Not shown before its first redraw, at the first round's start.
    m_pileImage = QImage(ViewLayout::PileWidth, ViewLayout::PileHeight, QImage::Format_RGB32);
    m_pileImage.fill(ViewColour::DarkGrey);
    m_barImage = QImage(ViewLayout::WhiteBarWidth, ViewLayout::BarHeight, QImage::Format_RGB32);
    QPainter p(&m_barImage);
    RasterOps::rectangle(p, m_barImage.rect(), ViewColour::White, ViewColour::White, Mix::Copy);
}

void ViewPainter::composeBackground(const Compass& compass, bool blackenRange) {
    if (m_backImage.isNull())
        return;
    {
        QPainter p(&m_backImage);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(m_backImage.rect(), QColor::fromRgb(ViewColour::DarkGrey));
        RasterOps::copy(p, ViewLayout::StaffX, ViewLayout::StaffY, m_pictures.picture(UpperStaff),
                        m_pictures.size(UpperStaff));
        RasterOps::copy(p, ViewLayout::LogoX, ViewLayout::LogoY, m_pictures.picture(Logo),
                        m_pictures.size(Logo));
        // Both scale pictures are copied at the size of the one without
        // accidentals; it overlaps the staff picture's last two rows and wins.
        const int scale = compass.m_accidentals == 1 ? ScaleChromatic : ScaleNatural;
        RasterOps::copy(p, compass.m_scaleX, compass.m_scaleY, m_pictures.picture(scale),
                        m_pictures.size(ScaleNatural));
    }
    if (blackenRange)
        shadeInvalidRange(m_backImage, compass);
}

void ViewPainter::shadeInvalidRange(QImage& image, const Compass& compass) const {
    // AND with shade grey darkens white lines and notes to (54, 54, 54) and
    // keeps the dark grey ground; the outline, ANDed with dark grey, cuts a
    // one-pixel gap into each staff line at the shaded area's edges.
    const int g = compass.m_scaleX + compass.m_cellOffset;
    const int w = compass.m_cellWidth;
    const int u = compass.cellsPerOctave();
    const int top = compass.m_scaleY - 2;
    const int height = 164; // rows m_scaleY - 2 .. m_scaleY + 161
    // The upper area runs a little past the last cell, to just beyond the
    // scale picture's right edge.
    const int right = compass.m_accidentals == 1 ? g + 49 * w + 2 : g + 29 * w + 15;

    QPainter p(&image);
    if (compass.m_startOctave > 0) {
        const int cells = compass.m_startOctave * u;
        RasterOps::rectangle(p, QRect(g, top, cells * w, height), ViewColour::ShadeGrey,
                             ViewColour::DarkGrey, Mix::And);
    }
    const int e = compass.m_startOctave + compass.m_octaves;
    if (e < 4) {
        const int left = g + (e * u + 1) * w;
        RasterOps::rectangle(p, QRect(left, top, right - left, height), ViewColour::ShadeGrey,
                             ViewColour::DarkGrey, Mix::And);
    }
}

void ViewPainter::redrawPile(const TrainingRound& round) {
    {
        QPainter p(&m_pileImage);
        RasterOps::rectangle(p, m_pileImage.rect(), ViewColour::DarkGrey, ViewColour::DarkGrey,
                             Mix::Copy);
        // Points beyond the hundredth land on the places of the first hundred
        // (place i mod 100, as the round lets them fall). OR is idempotent, so
        // drawing a place once more changes nothing: a hundred heads suffice.
        const int heads = std::min<int>(round.m_points, PileTable::Places);
        const QImage& head = m_pictures.picture(GreenHead);
        const QSize size = m_pictures.size(WhiteHead);
        for (int i = 0; i < heads; ++i)
            RasterOps::orCopy(p, round.m_pile.x(i), round.m_pile.y(i), head, size);
    }
    QPainter back(&m_backImage);
    RasterOps::copy(back, ViewLayout::PileX, ViewLayout::PileY, m_pileImage, m_pileImage.size());
}

void ViewPainter::drawHoverCell(QPainter& p, const Compass& compass, int hoverCell,
                                int verdict) const {
    if (hoverCell < 0 || hoverCell >= compass.m_cellCount)
        return;
    // AND NOT turns the cell into a negative: the ground becomes light grey
    // (or green, or red, after a click's verdict), white lines and notes black.
    const QRgb fill = verdict == 1    ? ViewColour::Green
                      : verdict == -1 ? ViewColour::Red
                                      : ViewColour::White;
    const int left = compass.m_scaleX + compass.m_cellOffset + hoverCell * compass.m_cellWidth;
    RasterOps::rectangle(p, QRect(left, compass.m_scaleY - 2, compass.m_cellWidth, 164), fill,
                         ViewColour::Black, Mix::AndNot);
}

void ViewPainter::drawCue(QPainter& p, const Compass& compass, int cueCell, int verdict) const {
    if (cueCell < 0 || cueCell >= compass.m_cellCount)
        return;
    // A frame two pixels wide inside the cell, yellow, or the colour of the
    // verdict while the answering key is held.
    const QRgb colour = verdict == 1    ? ViewColour::Green
                        : verdict == -1 ? ViewColour::Red
                                        : ViewColour::Cue;
    const int left = compass.m_scaleX + compass.m_cellOffset + cueCell * compass.m_cellWidth;
    const int right = left + compass.m_cellWidth; // excluded
    const int top = compass.m_scaleY - 2;
    const int bottom = top + 164; // excluded
    for (int k = 0; k < 2; ++k) {
        RasterOps::hLine(p, left, right, top + k, colour, Mix::Copy);
        RasterOps::hLine(p, left, right, bottom - 1 - k, colour, Mix::Copy);
        RasterOps::vLine(p, left + k, top, bottom, colour, Mix::Copy);
        RasterOps::vLine(p, right - 1 - k, top, bottom, colour, Mix::Copy);
    }
}

void ViewPainter::paintView(QPainter& p, TrainingRound& round, const Compass& compass,
                            int hoverCell, int cueCell) {
    if (round.m_pileChanged) {
        redrawPile(round);
        round.m_pileChanged = false;
    }
    RasterOps::copy(p, 0, 0, m_backImage, m_backImage.size());
    drawHoverCell(p, compass, hoverCell, round.m_clickVerdict);
    drawCue(p, compass, cueCell, round.m_clickVerdict);

    const int entryX = static_cast<uint16_t>(round.m_entryX) + ViewLayout::EntryLineOffset;
    RasterOps::vLine(p, entryX, ViewLayout::EntryLineTop, ViewLayout::EntryLineBottom,
                     ViewColour::White, Mix::Copy);

    // Later slots are drawn over earlier ones.
    const NotePainter notes(m_pictures, m_barImage);
    for (NoteSlot& slot : round.m_slots)
        notes.draw(p, slot, round.m_practice);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QString ViewPainter::pointsText(unsigned points) {
    return QString::asprintf("%2d", static_cast<int>(points));
}
