// SPDX-License-Identifier: GPL-3.0-or-later
#include "roundrecorder.h"

#include "compass.h"
#include "noteslot.h"

void RoundRecorder::begin(const Compass& compass, bool practice) {
    RoundRecord fresh;
    fresh.startNote = compass.m_startNote;
    fresh.octaves = compass.m_octaves;
    fresh.accidentals = compass.m_accidentals;
    fresh.practice = practice;
    fresh.notes.reserve(SlotCount);
    fresh.answers.reserve(AnswerRoom);
    m_record = std::move(fresh);
    m_active = true;
    m_lastSlot = -1;
    m_judged = 0;
}

void RoundRecorder::noteAsked(int slotIndex, uint8_t note, uint32_t now) {
    if (!m_active)
        return;
    if (slotIndex == m_lastSlot && !m_record.notes.empty()) {
        AskedNote& again = m_record.notes.back();
        if (m_judged == 0) {
            again.note = note;
            m_askedAt = now;
        }
        return;
    }
    if (m_record.notes.size() >= m_record.notes.capacity())
        return;
    AskedNote asked;
    asked.note = note;
    asked.firstAnswer = static_cast<uint32_t>(m_record.answers.size());
    m_record.notes.push_back(asked);
    m_lastSlot = slotIndex;
    m_askedAt = now;
    m_judged = 0;
}

void RoundRecorder::answered(uint8_t note, AnswerWay way, bool right, uint32_t now,
                             int8_t cents) {
    if (!m_active || m_record.notes.empty())
        return;
    AskedNote& asked = m_record.notes.back();
    if (asked.msToRight != AskedNote::NeverRight)
        return; // already answered right: nothing more is judged for it
    if (m_judged++ == 0)
        asked.firstRight = right;
    if (right)
        asked.msToRight = static_cast<int32_t>(static_cast<uint32_t>(now - m_askedAt));
    // Past the room taken at the start the answers themselves are no longer
    // kept; whether and when the note was right still is.
    if (m_record.answers.size() < m_record.answers.capacity()) {
        m_record.answers.push_back({note, way, cents});
        asked.answerCount += 1;
    }
}

RoundRecord RoundRecorder::finish(RoundRecord::Ending ending) {
    m_active = false;
    m_lastSlot = -1;
    if (ending == RoundRecord::Ending::Cancelled && !m_record.notes.empty() &&
        m_judged == 0)
        m_record.notes.pop_back();
    m_record.ending = ending;
    return std::move(m_record);
}
