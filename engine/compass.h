// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

struct NoteSlot;

// The notes a round may ask for, and the grid of the clickable lower staff.
// Invariant: m_startNote + 12 * m_octaves <= 84.
class Compass {
public:
    uint16_t m_startNote = 60;  // 36, 48, 60 or 72 ("C", "c", "C'", "C''")
    uint16_t m_startOctave = 2; // (m_startNote - 36) / 12
    uint16_t m_octaves = 1;     // 1..4
    uint16_t m_accidentals = 0; // 0 without, 1 with

    // Lower-staff grid (set by applyAccidentalLayout).
    uint16_t m_cellCount = 29;
    int32_t m_cellWidth = 30;
    int32_t m_cellOffset = 31;
    int32_t m_scaleX = 5; // top left of the scale picture in the view
    int32_t m_scaleY = 230;

    static constexpr int NoCell = -0x7fffffff; // pointer outside the lower staff's band
    static constexpr int NoNote = -1;          // cellToNote of a cell off the keyboard

    void applyAccidentalLayout();
    void setAccidentals(uint16_t accidentals); // sets and applies the layout
    void setStartOctave(uint16_t startOctave); // start-note radio; m_octaves is not fitted here
    void setOctaves(uint16_t octaves); // octave radio (1..4); m_startNote is not fitted here
    // Cut m_octaves back after a start-note choice; true when it was cut
    // (the window then checks the octave radio 1000 + m_octaves - 1).
    bool fitOctaves();
    // Move m_startNote down after an octave choice; true when it was moved
    // (the window then checks the start-note radio 1102 + m_startOctave).
    bool fitStartNote();

    int cellToNote(int cell) const; // NoNote unless 0 <= cell < m_cellCount
    int slotCell(const NoteSlot& slot) const;
    // Pointer relative to the view -> cell index (may be < 0 or >= m_cellCount),
    // or NoCell outside the band 228 < y < 392.
    int cellAtPointer(int x, int y) const;
    int cellsPerOctave() const { return m_accidentals ? 12 : 7; }
    // First and last cell inside the compass, inclusive.
    int firstCompassCell() const { return m_startOctave * cellsPerOctave(); }
    int lastCompassCell() const { return (m_startOctave + m_octaves) * cellsPerOctave(); }
};
