// SPDX-License-Identifier: GPL-3.0-or-later
#include "notelistener.h"

#include <algorithm>
#include <cmath>

#include "semitone.h"

namespace {
// The slope of a straight line through pitches a hop apart, in cents per hop.
double slopePerHop(const std::vector<double>& cents) {
    const double n = double(cents.size());
    const double meanT = (n - 1) / 2.0;
    double meanC = 0;
    for (double c : cents)
        meanC += c / n;
    double num = 0, den = 0;
    for (std::size_t i = 0; i < cents.size(); ++i) {
        num += (double(i) - meanT) * (cents[i] - meanC);
        den += (double(i) - meanT) * (double(i) - meanT);
    }
    return den > 0 ? num / den : 0.0;
}
} // namespace

std::unique_ptr<NoteListener> NoteListener::create(double sampleRate, const ListeningRules& rules) {
    if (rules.lowestNote < 0 || rules.highestNote > 127 || rules.lowestNote > rules.highestNote ||
        !(rules.holdMs > 0 && rules.holdMs <= 2000) || !(rules.onsetSpanMs > 0) ||
        !(rules.pauseMs > 0) || !(rules.maxCentsOff >= 0 && rules.maxCentsOff <= 50))
        return nullptr;
    auto bank = PitchBank::create(sampleRate, rules.lowestNote, rules.speakingBelow,
                                  rules.minConfidenceAboveSpeaking);
    if (!bank)
        return nullptr;
    return std::unique_ptr<NoteListener>(new NoteListener(rules, std::move(bank)));
}

NoteListener::NoteListener(const ListeningRules& rules, std::unique_ptr<PitchBank> bank)
    : m_rules(rules), m_bank(std::move(bank)) {
    m_hopSeconds = double(detector().hopSize()) / detector().sampleRate();
    const auto frames = [this](double ms) {
        return std::max<std::size_t>(1, std::size_t(std::ceil(ms / 1000.0 / m_hopSeconds)));
    };
    // The hold spans holdMs from the start of its first judgement's window
    // to its last judgement: never more frames than with no window at all.
    m_holdFrames = frames(m_rules.holdMs) + 1;
    m_leadFrames = frames(m_rules.leadMs);
    m_choirFrames = frames(m_rules.choirHoldMs) + 1;
    m_vibratoFrames = frames(m_rules.vibratoHoldMs) + 1;
    m_onsetFrames = frames(m_rules.onsetSpanMs);
    m_pauseFrames = frames(m_rules.pauseMs);
}

std::vector<HeardNote> NoteListener::listen(const float* samples, std::size_t count) {
    std::vector<HeardNote> answers;
    m_bank->feed(samples, count, [&](const PitchFrame& frame) { hear(frame, answers); });
    return answers;
}

void NoteListener::forget() {
    m_recent.clear();
    m_lastAnswer = -1;
    m_onsetSinceAnswer = false;
    m_answerLevelDb = -200;
}

void NoteListener::answeredElsewhere(int note) {
    m_levels.clear();
    m_lastAnswer = note;
    m_answerLevelDb = m_levelDb;
    m_onsetSinceAnswer = false;
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
    if (onset(frame.levelDb) && m_quietestDb <= m_answerLevelDb - m_rules.againDipDb) {
        m_onsetSinceAnswer = true;
        m_sinceOnset = 0;
    } else {
        ++m_sinceOnset;
    }
    Judged judged;
    const NearestKey key = nearestKey(frame.hz);
    const double minConfidence = key.note < m_rules.speakingBelow
                                     ? m_rules.minConfidence
                                     : m_rules.minConfidenceAboveSpeaking;
    judged.heard = frame.hz > 0 && frame.levelDb >= m_rules.silenceDb &&
                   key.note >= m_rules.lowestNote && key.note <= m_rules.highestNote;
    judged.voiced = judged.heard && frame.confidence >= minConfidence;
    judged.confidence = frame.confidence;
    judged.hiss = frame.levelDb >= m_rules.hissDb && frame.confidence < m_rules.hissConfidence;
    judged.note = key.note;
    judged.cents = key.cents;
    if (frame.levelDb < m_rules.silenceDb)
        m_soundSince = frame.endSample;
    // The window looks back over sound only since the silence before it.
    const uint64_t reach = std::min<uint64_t>(frame.window, frame.endSample - m_soundSince);
    judged.reachSeconds =
        frame.levelDb < m_rules.silenceDb ? 0.0 : double(reach) / detector().sampleRate();
    m_recent.push_back(judged);
    if (m_recent.size() > std::max({m_holdFrames, m_choirFrames, m_vibratoFrames}) + m_leadFrames)
        m_recent.pop_front();

    // A pause is silence: a choir or a bowed string that wavers for a moment
    // is still the same note.
    m_silentRun = frame.levelDb < m_rules.silenceDb ? m_silentRun + 1 : 0;
    if (m_silentRun >= m_pauseFrames)
        m_lastAnswer = -1;

    int note = 0;
    double cents = 0;
    std::size_t held = 0;
    if (!steadyKey(note, cents, held) && !steadyChoir(note, cents, held) &&
        !steadyVibrato(note, cents, held))
        return;
    // The same key again only when the whole hold came after a new onset:
    // a note held on is one answer, however long it sounds.
    const bool newOnset = m_onsetSinceAnswer && m_sinceOnset + 1 >= held;
    if (note == m_lastAnswer && !newOnset)
        return;
    // An octave or more above the last answer, with no onset between: the
    // note's own overtone, heard through its fading end or a swell.
    if (m_lastAnswer >= 0 && note > m_lastAnswer && (note - m_lastAnswer) % 12 == 0 &&
        !m_onsetSinceAnswer)
        return;
    answers.push_back({note, cents, frame.endSample});
    // A new onset must rise out of a dip heard after this answer: the rest of
    // the attack it was judged in is none.
    m_levels.clear();
    m_lastAnswer = note;
    m_answerLevelDb = m_levelDb;
    m_onsetSinceAnswer = false;
}

bool NoteListener::steadyKey(int& note, double& cents, std::size_t& frames) const {
    // The fewest latest frames that span the hold, counted from where the
    // first one's window begins.
    frames = 0;
    if (m_recent.empty())
        return false;
    const bool speaking = m_recent.back().note < m_rules.speakingBelow;
    const double hold = m_rules.holdMs / 1000.0 - 1e-9;
    // From C' up a judgement within the hold may be less sure, as a hammer's
    // or a breath's noise blurs a window now and then, as long as its pitch
    // fits the others; the latest must be sure. Below C' all must be.
    const auto mayHold = [&](const Judged& j) {
        return j.voiced || (!speaking && j.heard && j.confidence >= m_rules.unsureConfidence);
    };
    for (std::size_t n = 1; n <= m_recent.size() && !frames; ++n) {
        const Judged& begins = m_recent[m_recent.size() - n];
        if (double(n - 1) * m_hopSeconds +
                    (speaking ? m_rules.speakingReachShare : 1.0) * begins.reachSeconds >=
                hold &&
            mayHold(begins))
            frames = n;
    }
    if (!frames)
        return false;
    const int first = m_recent[m_recent.size() - frames].note;
    std::vector<double> offsets;
    offsets.reserve(frames);
    std::size_t unsure = 0;
    for (std::size_t i = m_recent.size() - frames; i < m_recent.size(); ++i) {
        const Judged& j = m_recent[i];
        if (j.note != first)
            return false;
        if (!j.voiced) {
            if (!mayHold(j) || i + 1 == m_recent.size())
                return false;
            ++unsure;
        }
        offsets.push_back(j.cents);
    }
    if (double(unsure) > m_rules.maxUnsureShare * double(frames))
        return false;
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    if (*high - *low > (speaking ? m_rules.maxSpanCents : m_rules.maxSpanAboveSpeaking))
        return false;
    // The drift: the slope of a straight line through the hold's pitches.
    if (std::abs(slopePerHop(offsets) / m_hopSeconds) >
        (speaking ? m_rules.maxDriftCentsPerSecond : m_rules.maxDriftAboveSpeaking))
        return false;
    if (!speaking &&
        (cameSliding(m_recent.size() - frames) || overtoneOfLead(m_recent.size() - frames)))
        return false;
    if (speaking &&
        (afterHiss(m_recent.size() - frames) || cameWandering(m_recent.size() - frames)))
        return false;
    std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
    const double median = offsets[offsets.size() / 2];
    if (std::abs(median) > m_rules.maxCentsOff)
        return false;
    note = first;
    cents = median;
    return true;
}

std::vector<double> NoteListener::leadingTrack(std::size_t holdStart, double minConfidence) const {
    // The pitch followed back from the hold as long as it runs on unbroken
    // (heard at that confidence, no leap between two hops), and on to now.
    const auto pitch = [this](std::size_t i) {
        return 100.0 * m_recent[i].note + m_recent[i].cents;
    };
    std::size_t from = holdStart;
    while (from > 0 && holdStart - from < m_leadFrames && m_recent[from - 1].heard &&
           m_recent[from - 1].confidence >= minConfidence &&
           std::abs(pitch(from - 1) - pitch(from)) <= m_rules.maxStepCents)
        --from;
    std::vector<double> track;
    track.reserve(m_recent.size() - from);
    for (std::size_t i = from; i < m_recent.size(); ++i)
        track.push_back(pitch(i));
    return track;
}

bool NoteListener::cameSliding(std::size_t holdStart) const {
    const std::vector<double> track = leadingTrack(holdStart, m_rules.minConfidenceAboveSpeaking);
    if (track.size() <= m_recent.size() - holdStart)
        return false;
    // A pitch that came in on the key with the note's onset and stayed on it
    // is settling, as a brass or a bowed attack scoops into its note; a glide
    // arrives from another key.
    if (m_sinceOnset < m_recent.size()) {
        const int key = m_recent[holdStart].note;
        bool onKey = true;
        for (std::size_t i = m_recent.size() - 1 - m_sinceOnset; i < holdStart && onKey; ++i)
            onKey = !m_recent[i].heard || m_recent[i].note == key;
        if (onKey)
            return false;
    }
    return std::abs(slopePerHop(track) / m_hopSeconds) > m_rules.maxGlideCentsPerSecond;
}

bool NoteListener::overtoneOfLead(std::size_t holdStart) const {
    // Over the lead since the latest onset, however much of it lies in between.
    const std::size_t since = m_recent.size() - std::min(m_recent.size(), m_sinceOnset + 1);
    const std::size_t from =
        std::max(since, holdStart > m_leadFrames ? holdStart - m_leadFrames : 0);
    const double below = 100.0 * (m_recent[holdStart].note - 12);
    std::size_t heard = 0;
    for (std::size_t i = from; i < holdStart; ++i) {
        const Judged& j = m_recent[i];
        heard += j.heard && j.confidence >= m_rules.choirConfidence &&
                         std::abs(100.0 * j.note + j.cents - below) <= 100.0
                     ? 1
                     : 0;
    }
    return double(heard) * m_hopSeconds * 1000.0 >= m_rules.octaveLeadMs;
}

bool NoteListener::cameWandering(std::size_t holdStart) const {
    const std::vector<double> track = leadingTrack(holdStart, m_rules.choirConfidence);
    const auto [low, high] = std::minmax_element(track.begin(), track.end());
    return *high - *low > m_rules.maxLeadSpanCents;
}

bool NoteListener::steadyChoir(int& note, double& cents, std::size_t& frames) const {
    frames = 0;
    if (m_recent.size() < m_choirFrames || m_recent.back().note >= m_rules.speakingBelow ||
        !m_recent.back().heard)
        return false;
    // The latest key, and the frames on it over the longer hold.
    const int key = m_recent.back().note;
    std::vector<double> offsets;
    for (std::size_t i = m_recent.size() - m_choirFrames; i < m_recent.size(); ++i) {
        const Judged& j = m_recent[i];
        if (j.heard && j.note == key && j.confidence >= m_rules.choirConfidence)
            offsets.push_back(j.cents);
    }
    if (double(offsets.size()) < m_rules.choirShare * double(m_choirFrames))
        return false;
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    if (*high - *low > m_rules.maxChoirSpanCents ||
        std::abs(slopePerHop(offsets) / m_hopSeconds) > m_rules.maxChoirDriftCentsPerSecond)
        return false;
    if (afterHiss(m_recent.size() - m_choirFrames))
        return false;
    std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
    const double median = offsets[offsets.size() / 2];
    if (std::abs(median) > m_rules.maxCentsOff)
        return false;
    note = key;
    cents = median;
    frames = m_choirFrames;
    return true;
}

bool NoteListener::steadyVibrato(int& note, double& cents, std::size_t& frames) const {
    frames = 0;
    if (m_recent.size() < m_vibratoFrames || m_recent.back().note >= m_rules.speakingBelow ||
        !m_recent.back().heard)
        return false;
    std::vector<double> pitches;
    for (std::size_t i = m_recent.size() - m_vibratoFrames; i < m_recent.size(); ++i) {
        const Judged& j = m_recent[i];
        if (j.heard && j.confidence >= m_rules.choirConfidence)
            pitches.push_back(100.0 * j.note + j.cents);
    }
    if (double(pitches.size()) < m_rules.choirShare * double(m_vibratoFrames))
        return false;
    const auto [low, high] = std::minmax_element(pitches.begin(), pitches.end());
    if (*high - *low > m_rules.maxVibratoSpanCents ||
        std::abs(slopePerHop(pitches) / m_hopSeconds) > m_rules.maxChoirDriftCentsPerSecond)
        return false;
    std::vector<double> sorted = pitches;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double centre = sorted[sorted.size() / 2];
    const NearestKey key = nearestKey(440.0 * std::exp2((centre / 100.0 - 69) / 12.0));
    if (std::abs(key.cents) > m_rules.maxVibratoCentreCents || key.note < m_rules.lowestNote)
        return false;
    // A vibrato swings smoothly; a voice that speaks leaps.
    for (std::size_t i = 1; i < pitches.size(); ++i)
        if (std::abs(pitches[i] - pitches[i - 1]) > m_rules.maxStepCents)
            return false;
    // Across the centre and back, each time well beyond it, as evenly as a
    // vibrato swings: each half of a swing lasts about as long as the others.
    int crossings = 0, side = 0;
    std::size_t lastCrossing = 0, shortest = pitches.size(), longest = 0;
    for (std::size_t i = 0; i < pitches.size(); ++i) {
        const double p = pitches[i];
        const int now = p > centre + m_rules.vibratoCrossingCents   ? 1
                        : p < centre - m_rules.vibratoCrossingCents ? -1
                                                                     : 0;
        if (now != 0 && now != side) {
            if (side != 0) {
                if (++crossings > 1) {
                    shortest = std::min(shortest, i - lastCrossing);
                    longest = std::max(longest, i - lastCrossing);
                }
                lastCrossing = i;
            }
            side = now;
        }
    }
    if (crossings > 1 && double(longest) > m_rules.maxVibratoUnevenness * double(shortest))
        return false;
    if (crossings < m_rules.minVibratoCrossings || afterHiss(m_recent.size() - m_vibratoFrames))
        return false;
    note = key.note;
    cents = key.cents;
    frames = m_vibratoFrames;
    return true;
}

bool NoteListener::afterHiss(std::size_t holdStart) const {
    // Over the lead before the hold, however much of it lies in between.
    std::size_t hiss = 0;
    for (std::size_t i = holdStart > m_leadFrames ? holdStart - m_leadFrames : 0; i < holdStart;
         ++i)
        hiss += m_recent[i].hiss ? 1 : 0;
    return double(hiss) * m_hopSeconds * 1000.0 >= m_rules.hissMs;
}
