// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// Semitones above C of the diatonic steps C D E F G A H.
inline constexpr int StepSemitone[7] = {0, 2, 4, 5, 7, 9, 11};

inline constexpr int LowestNote = 36;  // the low C of the keyboard
inline constexpr int HighestNote = 84; // the top C

inline constexpr int noteOf(int octave, int step, int accidental) {
    return LowestNote + 12 * octave + StepSemitone[step] + accidental;
}
