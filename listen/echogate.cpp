// SPDX-License-Identifier: GPL-3.0-or-later
#include "echogate.h"

#include <algorithm>

EchoGate::EchoGate(double sampleRate) : m_rate(sampleRate > 0 ? sampleRate : 48000) {}

uint64_t EchoGate::samples(double ms) const {
    return uint64_t(ms / 1000.0 * m_rate);
}

void EchoGate::gameNote(uint64_t atSample) {
    m_sounding = true;
    m_open = false;
    m_learnUntil = atSample + samples(LearnMs);
    m_ownDb = -200;
    m_recent.clear();
}

void EchoGate::gameQuiet(uint64_t atSample) {
    if (!m_sounding)
        return;
    m_sounding = false;
    m_quietSince = atSample;
}

EchoGate::Verdict EchoGate::hear(double levelDb, uint64_t endSample) {
    if (m_headphones)
        return Verdict::Open;
    if (m_open)
        return Verdict::Open;
    if (endSample < m_learnUntil) {
        // The note's attack and the room's first echoes: how loud it comes back.
        m_ownDb = std::max(m_ownDb, levelDb);
        return Verdict::Closed;
    }
    // A level held for RiseMs is the note's own, however it has swelled.
    m_recent.emplace_back(endSample, levelDb);
    while (!m_recent.empty() && m_recent.front().first + samples(RiseMs) <= endSample) {
        m_ownDb = std::max(m_ownDb, m_recent.front().second);
        m_recent.pop_front();
    }
    if (levelDb >= m_ownDb + MarginDb) {
        m_open = true;
        return m_sounding ? Verdict::SilenceGame : Verdict::Opens;
    }
    if (!m_sounding && endSample >= m_quietSince + samples(FadeMs)) {
        // The game's note has died away: nothing of it is left to take for an answer.
        m_open = true;
        return Verdict::Opens;
    }
    return Verdict::Closed;
}
