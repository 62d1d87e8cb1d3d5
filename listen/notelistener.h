// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "pitchdetector.h"

// A note the pupil sang or played, as the game would take it from a key.
struct HeardNote {
    int note = 0;          // MIDI note number, nearest to A' = 440 Hz
    double cents = 0;      // how far off that note it was sung (median over the hold)
    uint64_t atSample = 0; // samples fed when it was judged
};

// When a pitch counts as a note.
struct ListeningRules {
    int lowestNote = 36; // the lowest key to hear (sizes the window)
    int highestNote = 96;
    double minConfidence = 0.9; // how periodic each judgement must be
    double holdMs = 60;         // the same key held that long makes an answer
    double maxCentsOff = 40;    // a pupil a little out of tune still counts
    // A pitch still moving faster than this over the hold is a glide (or
    // speech), not a note; a vibrato stands still at its turns.
    double maxDriftCentsPerSecond = 300;
    // Speech wanders within a syllable; a note held steady, even with a
    // vibrato, stays within this span over the hold.
    double maxSpanCents = 25;
    double silenceDb = -60;   // quieter than this is nobody playing
    double onsetRiseDb = 9;   // a rise this steep starts a new note
    double onsetSpanMs = 100; // ... measured against the quietest hop of this span
    double pauseMs = 80;      // this long in silence, and the same key may answer again
};

// Turns the pitch heard into answers: a key counts once it has held steady
// for the hold time; the same key again only after a new onset or a pause,
// another key as soon as it holds.
class NoteListener {
public:
    // nullptr when the rate or the rules make no sense.
    static std::unique_ptr<NoteListener> create(double sampleRate,
                                                const ListeningRules& rules = {});

    // The answers that the block completes (usually none).
    std::vector<HeardNote> listen(const float* samples, std::size_t count);

    const PitchDetector& detector() const { return *m_detector; }

    // The key heard in the latest judgement, -1 when nothing clear was heard.
    int latestKey() const { return !m_recent.empty() && m_recent.back().voiced ? m_recent.back().note : -1; }

    // Whatever was heard so far is not held against what follows: the next
    // steady key answers, even the one heard last.
    void forget();

private:
    struct Judged {
        bool voiced = false;
        int note = 0;
        double cents = 0;
    };
    NoteListener(const ListeningRules& rules, std::unique_ptr<PitchDetector> detector);
    void hear(const PitchFrame& frame, std::vector<HeardNote>& answers);
    bool onset(double hopDb);
    bool steadyKey(int& note, double& cents) const;

    ListeningRules m_rules;
    std::unique_ptr<PitchDetector> m_detector;
    std::size_t m_holdFrames;
    std::size_t m_onsetFrames;
    std::size_t m_pauseFrames;
    double m_hopSeconds;
    std::deque<Judged> m_recent;    // the hold's frames, newest last
    std::deque<double> m_hopPowers; // the last hops' mean squares
    std::deque<double> m_levels;    // the onset span's levels, newest last
    int m_lastAnswer = -1;          // -1: the next steady key answers whatever it is
    std::size_t m_silentRun = 0;
    bool m_rising = false;         // the level is still rising from the latest onset
    double m_levelDb = -200;       // over the last 20 ms
    double m_quietestDb = -200;    // of the onset span, before the latest hop
    double m_answerLevelDb = -200; // when the last answer was given
    bool m_onsetSinceAnswer = false;
    std::size_t m_sinceOnset = 0; // frames judged after the latest onset
};
