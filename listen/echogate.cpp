// SPDX-License-Identifier: GPL-3.0-or-later
#include "echogate.h"

#include <algorithm>

EchoGate::EchoGate(double sampleRate, const GateRules& rules)
    : m_rate(sampleRate > 0 ? sampleRate : 48000), m_rules(rules) {}

uint64_t EchoGate::samples(double ms) const {
    return uint64_t(ms / 1000.0 * m_rate);
}

void EchoGate::gameNote(uint64_t atSample) {
    m_sounding = true;
    m_open = false;
    m_learnUntil = atSample + samples(m_rules.learnMs);
}

void EchoGate::gameQuiet(uint64_t atSample) {
    if (!m_sounding)
        return;
    m_sounding = false;
    m_quietSince = atSample;
}

EchoGate::Verdict EchoGate::hear(double levelDb, uint64_t endSample, bool pupils) {
    // What is heard while the game's note begins is its echo from the start;
    // anything later once it has held for riseMs.
    const uint64_t counts = endSample < m_learnUntil ? endSample : endSample + samples(m_rules.riseMs);
    m_recent.push_back({counts, endSample, pupils ? -200.0 : levelDb});
    while (m_recent.front().heardAt + samples(m_rules.memoryMs) < endSample)
        m_recent.pop_front();
    if (m_headphones || m_open)
        return Verdict::Open;
    if (endSample < m_learnUntil)
        return Verdict::Learning; // the note's attack and the room's first echoes
    double echoDb = -200;
    for (const Heard& h : m_recent)
        if (h.countsFrom <= endSample)
            echoDb = std::max(echoDb, h.levelDb);
    if (levelDb >= echoDb + m_rules.marginDb) {
        m_open = true;
        return m_sounding ? Verdict::SilenceGame : Verdict::Opens;
    }
    if (!m_sounding && endSample >= m_quietSince + samples(m_rules.fadeMs)) {
        // The game's note has died away: nothing of it is left to take for an answer.
        m_open = true;
        return Verdict::Opens;
    }
    return Verdict::Closed;
}
