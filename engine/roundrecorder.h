// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "roundrecord.h"

class Compass;

// Collects a round's record while it runs. All its memory is taken when the
// round starts: asking a note and judging an answer only fill what is there,
// so the round's tick never waits for the heap.
class RoundRecorder {
public:
    static constexpr uint32_t AnswerRoom = 16384; // a MIDI flood may answer every tick

    void begin(const Compass& compass, bool practice);
    bool active() const { return m_active; }
    RoundRecord& record() { return m_record; }

    // The note of slot `slotIndex` sounded for the first time at `now`. The
    // same slot drawn again (it may be, before its first answer) replaces it.
    void noteAsked(int slotIndex, uint8_t note, uint32_t now);
    // An answer to the current note, judged right or wrong, given at `now`.
    void answered(uint8_t note, AnswerWay way, bool right, uint32_t now, int8_t cents = 0);
    // The round is over: its record, once. A note still waiting for its first
    // answer in a cancelled round was never judged and is left out.
    RoundRecord finish(RoundRecord::Ending ending);

private:
    RoundRecord m_record;
    bool m_active = false;
    int m_lastSlot = -1;
    uint32_t m_askedAt = 0;
    uint32_t m_judged = 0; // answers judged for the last note asked
};
