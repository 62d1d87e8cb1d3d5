// SPDX-License-Identifier: GPL-3.0-or-later
#include "notelistener.h"

#include <algorithm>
#include <cmath>

#include "semitone.h"

std::unique_ptr<NoteListener> NoteListener::create(double sampleRate, const ListeningRules& rules) {
    if (rules.lowestNote < 0 || rules.highestNote > 127 || rules.lowestNote > rules.highestNote ||
        !(rules.holdMs > 0 && rules.holdMs <= 2000) || !(rules.onsetSpanMs > 0) ||
        !(rules.pauseMs > 0) || !(rules.maxCentsOff >= 0 && rules.maxCentsOff <= 50))
        return nullptr;
    // A semitone below the lowest key, so that a pupil a little flat is heard too.
    auto detector = PitchDetector::create(sampleRate, keyHz(rules.lowestNote - 1));
    if (!detector)
        return nullptr;
    return std::unique_ptr<NoteListener>(new NoteListener(rules, std::move(detector)));
}

NoteListener::NoteListener(const ListeningRules& rules, std::unique_ptr<PitchDetector> detector)
    : m_rules(rules), m_detector(std::move(detector)) {
    m_hopSeconds = double(m_detector->hopSize()) / m_detector->sampleRate();
    const auto frames = [this](double ms) {
        return std::max<std::size_t>(1, std::size_t(std::ceil(ms / 1000.0 / m_hopSeconds)));
    };
    // The hold spans holdMs from its first judgement to its last.
    m_holdFrames = frames(m_rules.holdMs) + 1;
    m_onsetFrames = frames(m_rules.onsetSpanMs);
    m_pauseFrames = frames(m_rules.pauseMs);
}

std::vector<HeardNote> NoteListener::listen(const float* samples, std::size_t count) {
    std::vector<HeardNote> answers;
    m_detector->feed(samples, count, [&](const PitchFrame& frame) { hear(frame, answers); });
    return answers;
}

void NoteListener::forget() {
    m_recent.clear();
    m_lastAnswer = -1;
    m_onsetSinceAnswer = false;
    m_answerLevelDb = -200;
}

bool NoteListener::onset(double hopDb) {
    // The level over 20 ms, longer than the period of the low C: a single hop
    // of a low note swings by 10 dB with its waveform's peaks.
    m_hopPowers.push_back(std::pow(10.0, hopDb / 10.0));
    if (m_hopPowers.size() > 4)
        m_hopPowers.pop_front();
    double power = 0;
    for (double p : m_hopPowers)
        power += p / double(m_hopPowers.size());
    const double levelDb = power > 1e-20 ? 10.0 * std::log10(power) : -200.0;
    m_levelDb = levelDb;
    bool rising = false;
    if (!m_levels.empty() && levelDb >= m_rules.silenceDb) {
        m_quietestDb = *std::min_element(m_levels.begin(), m_levels.end());
        rising = levelDb - m_quietestDb >= m_rules.onsetRiseDb;
    }
    m_levels.push_back(levelDb);
    if (m_levels.size() > m_onsetFrames)
        m_levels.pop_front();
    // One rise is one onset, however many hops it takes.
    const bool starts = rising && !m_rising;
    m_rising = rising;
    return starts;
}

void NoteListener::hear(const PitchFrame& frame, std::vector<HeardNote>& answers) {
    // A swell within a held note (a choir's voices beating, a bow's
    // pressure) is no new note: the rise must come out of a dip below the
    // level the last answer was heard at.
    if (onset(frame.levelDb) && m_quietestDb <= m_answerLevelDb - m_rules.onsetRiseDb) {
        m_onsetSinceAnswer = true;
        m_sinceOnset = 0;
    } else {
        ++m_sinceOnset;
    }
    Judged judged;
    const NearestKey key = nearestKey(frame.hz);
    judged.voiced = frame.hz > 0 && frame.confidence >= m_rules.minConfidence &&
                    frame.levelDb >= m_rules.silenceDb && key.note >= m_rules.lowestNote &&
                    key.note <= m_rules.highestNote;
    judged.note = key.note;
    judged.cents = key.cents;
    m_recent.push_back(judged);
    if (m_recent.size() > m_holdFrames)
        m_recent.pop_front();

    // A pause is silence: a choir or a bowed string that wavers for a moment
    // is still the same note.
    m_silentRun = frame.levelDb < m_rules.silenceDb ? m_silentRun + 1 : 0;
    if (m_silentRun >= m_pauseFrames)
        m_lastAnswer = -1;

    int note = 0;
    double cents = 0;
    if (!steadyKey(note, cents))
        return;
    // The same key again only when the whole hold came after a new onset:
    // a note held on is one answer, however long it sounds.
    const bool newOnset = m_onsetSinceAnswer && m_sinceOnset + 1 >= m_holdFrames;
    if (note == m_lastAnswer && !newOnset)
        return;
    answers.push_back({note, cents, frame.endSample});
    m_lastAnswer = note;
    m_answerLevelDb = m_levelDb;
    m_onsetSinceAnswer = false;
}

bool NoteListener::steadyKey(int& note, double& cents) const {
    if (m_recent.size() < m_holdFrames)
        return false;
    const int first = m_recent.front().note;
    std::vector<double> offsets;
    offsets.reserve(m_recent.size());
    for (const Judged& j : m_recent) {
        if (!j.voiced || j.note != first)
            return false;
        offsets.push_back(j.cents);
    }
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    if (*high - *low > m_rules.maxSpanCents)
        return false;
    // The drift: the slope of a straight line through the hold's pitches.
    const double n = double(offsets.size());
    const double meanT = (n - 1) / 2.0;
    double meanC = 0;
    for (double c : offsets)
        meanC += c / n;
    double num = 0, den = 0;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        num += (double(i) - meanT) * (offsets[i] - meanC);
        den += (double(i) - meanT) * (double(i) - meanT);
    }
    const double slope = den > 0 ? num / den / m_hopSeconds : 0.0;
    if (std::abs(slope) > m_rules.maxDriftCentsPerSecond)
        return false;
    std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
    const double median = offsets[offsets.size() / 2];
    if (std::abs(median) > m_rules.maxCentsOff)
        return false;
    note = first;
    cents = median;
    return true;
}
