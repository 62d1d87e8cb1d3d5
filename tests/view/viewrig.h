// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A round without window or devices, and the view that paints it into an
// image, so that frames can be checked pixel by pixel.
#include <QImage>
#include <QPainter>
#include <QRgb>

#include "compass.h"
#include "msclock.h"
#include "noteinput.h"
#include "notesink.h"
#include "roundhost.h"
#include "traininground.h"
#include "viewpainter.h"

class QuietSink final : public NoteSink {
public:
    void PlayNote(int, int) override {}
    void Silence() override {}
};

class NoInput final : public NoteInput {
public:
    bool inputOpen() const override { return false; }
    void inputReset() override {}
    void inputStart() override {}
    void inputStop() override {}
    void clearMailbox() override {}
    int takeNote() override { return NoNote; }
};

class StillClock final : public MsClock {
public:
    uint32_t now() override { return 1000; }
};

class CountingHost final : public RoundHost {
public:
    int repaints = 0;
    void startRoundTimer() override {}
    void stopRoundTimer() override {}
    void focusNewTraining() override {}
    void requestRepaint() override { ++repaints; }
    void setRoundControls(bool) override {}
};

struct ViewRig {
    Compass compass;
    QuietSink sink;
    NoInput input;
    StillClock clock;
    CountingHost host;
    TrainingRound round{compass, sink, input, clock, host};
    ViewPainter view;
    bool blacken = true;
    int hover = -1;
    int picturesLoaded = 0;

    ViewRig() {
        round.resetForStartUp();
        picturesLoaded = view.initViewResources();
        view.createImages();
        compose();
    }
    void setCompass(int accidentals, int startOctave, int octaves) {
        compass.setAccidentals(static_cast<uint16_t>(accidentals));
        compass.setStartOctave(static_cast<uint16_t>(startOctave));
        compass.m_octaves = static_cast<uint16_t>(octaves);
    }
    void compose() { view.composeBackground(compass, blacken); }
    QImage frame() {
        QImage image(ViewPainter::ViewSize, QImage::Format_RGB32);
        image.fill(0xff123456); // anything the frame leaves undrawn shows
        QPainter p(&image);
        view.paintView(p, round, compass, hover);
        return image;
    }
    // A note of the round in a given state at (x, y), by octave and step.
    NoteSlot& place(int index, uint16_t state, int result, float x, int octave, int step,
                    int accidental = 0) {
        NoteSlot& slot = round.m_slots[index];
        slot.state = state;
        slot.result = result;
        slot.x = x;
        slot.y = 69.0f + 5.0f * (29 - 7 * octave - step) + 0.5f;
        slot.octave = static_cast<uint16_t>(octave);
        slot.step = static_cast<uint16_t>(step);
        slot.accidental = accidental;
        return slot;
    }
};

// The colour of a pixel without its alpha byte.
inline QRgb rgbAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xffffff;
}
