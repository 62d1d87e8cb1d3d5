// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "roundrecord.h"

// How the note taken last was given: a key of an instrument, or sung or played
// into the microphone, how far off the note it was heard, and whether it
// counts in any octave of the asked note ("Oktave egal").
struct TakenAnswer {
    AnswerWay way = AnswerWay::Midi;
    int8_t cents = 0;
    bool anyOctave = false;
};

// The MIDI input as the round sees it: a one-note mailbox filled by the
// input's own thread, and the reset/start/stop of the open input device.
class NoteInput {
public:
    static constexpr int NoNote = -1;
    virtual ~NoteInput() = default;
    virtual bool inputOpen() const = 0; // an input device is open
    virtual void inputReset() = 0;
    virtual void inputStart() = 0;
    virtual void inputStop() = 0;
    virtual void clearMailbox() = 0; // forget a note waiting from before
    virtual int takeNote() = 0;      // the waiting note, or NoNote; empties the mailbox
    virtual TakenAnswer takenAnswer() const { return {}; } // of the note taken last
};
