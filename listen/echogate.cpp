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
}

void EchoGate::gameQuiet(uint64_t atSample) {
    if (!m_sounding)
        return;
    m_sounding = false;
    m_quietSince = atSample;
}

EchoGate::Verdict EchoGate::hear(double levelDb, uint64_t endSample, bool pupils) {
    m_recent.emplace_back(endSample, pupils ? -200.0 : levelDb);
    while (m_recent.front().first + samples(MemoryMs) < endSample)
        m_recent.pop_front();
    if (m_headphones || m_open)
        return Verdict::Open;
    if (endSample < m_learnUntil)
        return Verdict::Learning; // the note's attack and the room's first echoes
    // The echo: the loudest heard in the memory, up to RiseMs ago.
    double echoDb = -200;
    for (const auto& [at, db] : m_recent) {
        if (at + samples(RiseMs) > endSample)
            break;
        echoDb = std::max(echoDb, db);
    }
    if (levelDb >= echoDb + MarginDb) {
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
