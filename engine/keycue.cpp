// SPDX-License-Identifier: GPL-3.0-or-later
#include "keycue.h"

#include <algorithm>

#include "compass.h"
#include "pitch.h"

namespace {
// Semitone above C and diatonic step of each letter; Shift adds a semitone
// only to C, D, F, G and A (Cis, Dis, Fis, Gis, and B).
struct Letter {
    char key;
    int semitone;
    int step;
    bool takesShift;
};
constexpr Letter Letters[] = {
    {'c', 0, 0, true}, {'d', 2, 1, true}, {'e', 4, 2, false},  {'f', 5, 3, true},
    {'g', 7, 4, true}, {'a', 9, 5, true}, {'h', 11, 6, false}, {'b', 10, -1, false},
};
} // namespace

void KeyCue::reset(const Compass& compass) {
    m_cell = compass.firstCompassCell();
}

int KeyCue::octave(const Compass& compass) const {
    return std::clamp(m_cell / compass.cellsPerOctave(), 0, 4);
}

int KeyCue::cellForLetter(char letter, bool shift, const Compass& compass) const {
    const Letter* found = nullptr;
    for (const Letter& l : Letters)
        if (l.key == letter)
            found = &l;
    if (!found)
        return NoCell;
    const bool black = shift || found->step < 0;
    if (black && (!compass.m_accidentals || (shift && !found->takesShift)))
        return NoCell;
    const int oct = octave(compass);
    const int note = LowestNote + 12 * oct + found->semitone + (shift ? 1 : 0);
    if (note > HighestNote)
        return NoCell;
    const int cell = compass.m_accidentals ? note - LowestNote : 7 * oct + found->step;
    return cell < compass.m_cellCount ? cell : NoCell;
}

bool KeyCue::chooseOctave(int digit, const Compass& compass) {
    if (digit < 1 || digit > compass.m_octaves + 1)
        return false;
    const int perOctave = compass.cellsPerOctave();
    const int oct = compass.m_startOctave + digit - 1;
    const int cell = std::min(oct * perOctave + m_cell % perOctave, compass.m_cellCount - 1);
    m_cell = cell;
    return true;
}

bool KeyCue::move(int delta, const Compass& compass) {
    const int cell = std::clamp(m_cell + delta, 0, compass.m_cellCount - 1);
    if (cell == m_cell)
        return false;
    m_cell = cell;
    return true;
}
