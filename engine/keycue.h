// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

class Compass;

// The lower staff answered from the computer keyboard: a cue that stands on
// one cell, and the letters German pupils name the notes with (c d e f g a h,
// b for B flat, Shift for the semitone above), in the octave the cue stands in.
class KeyCue {
public:
    static constexpr int NoCell = -1;

    int32_t m_cell = 0; // the cell under the cue

    // The cue on the compass's lowest note (start-up, and after the compass changed).
    void reset(const Compass& compass);
    // The cell a letter names in the cue's octave, or NoCell when the letter
    // names no note there: an unknown letter, a black key without accidentals,
    // Shift on E, H or B, a note above the staff's top C.
    int cellForLetter(char letter, bool shift, const Compass& compass) const;
    // Digit 1 is the compass's lowest octave; one digit more than the compass
    // has octaves stands for its closing C's octave. The cue keeps its place
    // in the octave; false (nothing moves) for a digit outside that range.
    bool chooseOctave(int digit, const Compass& compass);
    // One cell left (-1) or right (+1), never off the staff; false at its end.
    bool move(int delta, const Compass& compass);
    // The octave (0 = the staff's lowest) the cue stands in.
    int octave(const Compass& compass) const;
};
