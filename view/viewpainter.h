// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QSize>
#include <QString>

#include "viewpictures.h"

class Compass;
class QPainter;
class TrainingRound;

// Everything drawn in the trainer view: the pictures and off-screen images,
// the unchanging background with its range shading, and each frame's moving
// content (pile, hover cell, entry line, the notes of the round).
class ViewPainter {
public:
    static constexpr QSize ViewSize{938, 403}; // the view's client area

    // Start-up, first half: the pictures (and their sizes). Returns how many
    // of the thirteen were loaded; a missing one is simply not drawn.
    int initViewResources();
    // The same with pictures read elsewhere (see PictureReading).
    int initViewResources(ViewPictures pictures);
    // Start-up, second half: m_backImage of the view's client size, the
    // pile image and the white bar.
    void createImages(QSize viewSize = ViewSize);

    // Rebuilds m_backImage: ground, upper staff, logo, the scale picture for
    // the compass's accidental mode, and the range shading when it is on.
    // Run at start-up and after every option change; the pile is gone after it.
    void composeBackground(const Compass& compass, bool blackenRange);
    // Darkens the lower staff's cells outside the compass in `image`.
    void shadeInvalidRange(QImage& image, const Compass& compass) const;

    // Draws one frame of the view with `p` (on the view, or into an image):
    // redraws the pile first when round.m_pileChanged is set (and clears it),
    // then the background, the hover cell, the entry line and the notes.
    // Writes drawX and drawY of every slot in use. `cueCell` is the keyboard's
    // cue, drawn only while the view has the keyboard focus (-1: none).
    void paintView(QPainter& p, TrainingRound& round, const Compass& compass, int hoverCell,
                   int cueCell = -1);

    // The text of the points display (static 1108): "%2d".
    static QString pointsText(unsigned points);

    const QImage& backImage() const { return m_backImage; }
    const QImage& pileImage() const { return m_pileImage; }
    const ViewPictures& pictures() const { return m_pictures; }

private:
    void redrawPile(const TrainingRound& round);
    void drawHoverCell(QPainter& p, const Compass& compass, int hoverCell, int verdict) const;
    void drawCue(QPainter& p, const Compass& compass, int cueCell, int verdict) const;

    ViewPictures m_pictures;
    QImage m_backImage;
    QImage m_pileImage;
    QImage m_barImage;
};
