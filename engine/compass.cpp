// SPDX-License-Identifier: GPL-3.0-or-later
#include "compass.h"

#include "noteslot.h"
#include "pitch.h"

void Compass::applyAccidentalLayout() {
    if (m_accidentals) {
        m_cellCount = 49; // the chromatic keys 36 .. 84
        m_cellWidth = 18;
    } else {
        m_cellCount = 29; // the white keys C .. C over four octaves
        m_cellWidth = 30;
    }
    m_cellOffset = 31;
}

void Compass::setAccidentals(uint16_t accidentals) {
    m_accidentals = accidentals ? 1 : 0;
    applyAccidentalLayout();
}

void Compass::setStartOctave(uint16_t startOctave) {
    if (startOctave > 3)
        startOctave = 3; // only the four C radios exist
    m_startOctave = startOctave;
    m_startNote = static_cast<uint16_t>(LowestNote + 12 * startOctave);
}

void Compass::setOctaves(uint16_t octaves) {
    if (octaves < 1)
        octaves = 1;
    if (octaves > 4)
        octaves = 4;
    m_octaves = octaves;
}

bool Compass::fitOctaves() {
    if (m_startNote + 12 * m_octaves <= HighestNote)
        return false;
    // The start note was just chosen: it wins, the octave count shrinks.
    m_octaves = static_cast<uint16_t>((HighestNote - m_startNote) / 12);
    return true;
}

bool Compass::fitStartNote() {
    if (m_startNote + 12 * m_octaves <= HighestNote)
        return false;
    // The octave count was just chosen: it wins, the start note moves down.
    m_startNote = static_cast<uint16_t>(12 * (7 - m_octaves));
    m_startOctave = static_cast<uint16_t>((m_startNote - LowestNote) / 12);
    return true;
}

int Compass::cellToNote(int cell) const {
    if (cell < 0 || cell >= m_cellCount)
        return NoNote;
    if (m_accidentals)
        return LowestNote + cell;
    return LowestNote + 12 * (cell / 7) + StepSemitone[cell % 7];
}

int Compass::slotCell(const NoteSlot& slot) const {
    if (m_accidentals)
        return slot.note % 12 + 12 * slot.octave;
    return 7 * slot.octave + slot.step;
}

int Compass::cellAtPointer(int x, int y) const {
    if (!(y > m_scaleY - 2 && y < m_scaleY + 162))
        return NoCell;
    // Integer division truncates toward zero: a point just left of cell 0
    // still answers with cell 0, as the highlight shows it.
    return (x - m_scaleX - m_cellOffset) / m_cellWidth;
}
