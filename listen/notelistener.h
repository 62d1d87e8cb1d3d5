// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "pitchbank.h"

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
    // The same key held that long makes an answer. A hop short of 60 ms
    // takes most of a piano's or a trumpet's notes from C' up within 75 ms;
    // the shorter the hold, the more spoken vowels hold still for it.
    double holdMs = 55;
    double maxCentsOff = 40;    // a pupil a little out of tune still counts
    // A pitch still moving faster than this over the hold is a glide (or
    // speech), not a note; a vibrato stands still at its turns.
    double maxDriftCentsPerSecond = 300;
    // Speech wanders within a syllable; a note held steady, even with a
    // vibrato, stays within this span over the hold.
    double maxSpanCents = 25;
    // Those two hold below C', where speaking voices lie. From there up the
    // pitch is heard through a short window too, a little less periodic
    // still counts, a vibrato may be judged on its way between its turns (it
    // moves slower than any glide meant as one), and the hold counts from
    // where its first window begins.
    int speakingBelow = 60;
    double maxDriftAboveSpeaking = 500;
    double maxSpanAboveSpeaking = 35;
    double minConfidenceAboveSpeaking = 0.8;
    // From C' up, frames within the hold as unsure as this, up to this share
    // of it, still hold the key when their pitch fits.
    double unsureConfidence = 0.4;
    double maxUnsureShare = 0.34;
    // A glide slows down now and then (a bend, a singer's portamento) long
    // enough to look held for a moment; the pitch that ran into the hold
    // without a break, over up to this long before it, tells: all of it
    // together must move slower than this. A vibrato, taken whole, stands.
    double leadMs = 150;
    double maxGlideCentsPerSecond = 400;
    double maxStepCents = 30; // a leap larger than this between two hops breaks the run
    // A low note's octave shows through now and then before its fundamental
    // holds (a choir's many voices, above all). From C' up, a key whose
    // octave below was heard, even unsurely, for this long since the onset
    // is that note's overtone until the lead has passed.
    double octaveLeadMs = 30;
    // Below C' a syllable's pitch rises and falls on its way into the vowel:
    // followed back over the lead (at the choir's confidence below), the
    // pitch that ran into the hold must have stayed within this span.
    double maxLeadSpanCents = 60;
    // A spoken vowel holds its pitch as long as a window looks back, and
    // only a note holds on well past it: below C' just this share of the
    // first window's look back counts toward the hold.
    double speakingReachShare = 0.25;
    // Many voices on one low key beat against each other, and no window of
    // theirs is as periodic as one voice is. Below C', a key that holds this
    // much longer at a lower confidence counts too, even with a few frames
    // astray, as long as its pitch stays within the span (a vibrato's) and
    // does not drift: speech never holds a pitch that long.
    double choirHoldMs = 200;
    double choirConfidence = 0.4;
    double choirShare = 0.7; // of the frames over that hold on the key
    double maxChoirDriftCentsPerSecond = 100;
    double maxChoirSpanCents = 45;
    // A choir's wide vibrato on a low key swings beyond that span, even over
    // the key's edge. Below C', a pitch that swings about a centre on the key
    // within this span, turning back across it this often over this long,
    // holds the key too: speech wanders, it does not swing.
    double vibratoHoldMs = 300;
    double maxVibratoSpanCents = 110;
    int minVibratoCrossings = 3;
    double vibratoCrossingCents = 8; // beyond the centre, either way, to count
    double maxVibratoUnevenness = 1.6; // the longest half swing against the shortest
    double maxVibratoCentreCents = 25; // off the key
    // A syllable: its vowel comes out of a hiss ("s", "sch", "f", "ch"), a
    // sound as loud as a note but with no pitch in it; an instrument's
    // attack is far shorter. Below C', this much of it over the lead before
    // the hold makes the steady pitch speech.
    double hissMs = 60;
    double hissDb = -45;
    double hissConfidence = 0.5;
    double silenceDb = -60;   // quieter than this is nobody playing
    double onsetRiseDb = 9;   // a rise this steep starts a new note
    double onsetSpanMs = 100; // ... measured against the quietest hop of this span
    double pauseMs = 80;      // this long in silence, and the same key may answer again
    // The same key again out of an onset: only when it rises out of a dip
    // this far below the level the key was answered at. A choir's or a
    // singer's sample fades and swells by 10 dB and more within one held
    // note; a pupil who sings the key anew breathes between.
    double againDipDb = 15;
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

    // The window for the lowest key (the short one from C' up shares its hop).
    const PitchDetector& detector() const { return m_bank->longest(); }

    // The key heard in the latest judgement, -1 when nothing clear was heard.
    int latestKey() const {
        return !m_recent.empty() && m_recent.back().voiced ? m_recent.back().note : -1;
    }

    // The pitch of the latest judgement as a key with its cents (69.1: 10
    // cents above A'), -1 when nothing clear was heard.
    double latestPitch() const {
        return latestKey() >= 0 ? m_recent.back().note + m_recent.back().cents / 100.0 : -1.0;
    }

    // Whatever was heard so far is not held against what follows: the next
    // steady key answers, even the one heard last.
    void forget();

    // That key was answered by another ear on the same sound: it is held as
    // this listener's own answer, and does not answer again without a new onset.
    void answeredElsewhere(int note);

private:
    struct Judged {
        bool voiced = false; // heard, and as periodic as a note must be
        bool heard = false;  // loud enough, and within the keys
        int note = 0;
        double cents = 0;
        double confidence = 0;
        bool hiss = false;       // loud, and no pitch in it
        double reachSeconds = 0; // of sound before its hop that its window looked at too
    };
    NoteListener(const ListeningRules& rules, std::unique_ptr<PitchBank> bank);
    void hear(const PitchFrame& frame, std::vector<HeardNote>& answers);
    bool onset(double hopDb);
    bool steadyKey(int& note, double& cents, std::size_t& frames) const;
    std::vector<double> leadingTrack(std::size_t holdStart, double minConfidence) const;
    bool cameSliding(std::size_t holdStart) const;
    bool overtoneOfLead(std::size_t holdStart) const;
    bool cameWandering(std::size_t holdStart) const;
    bool steadyChoir(int& note, double& cents, std::size_t& frames) const;
    bool steadyVibrato(int& note, double& cents, std::size_t& frames) const;
    bool afterHiss(std::size_t holdStart) const;

    ListeningRules m_rules;
    std::unique_ptr<PitchBank> m_bank;
    std::size_t m_holdFrames;
    std::size_t m_leadFrames;
    std::size_t m_choirFrames;
    std::size_t m_vibratoFrames;
    std::size_t m_onsetFrames;
    std::size_t m_pauseFrames;
    double m_hopSeconds;
    std::deque<Judged> m_recent;    // the hold's frames and those before it, newest last
    std::deque<double> m_hopPowers; // the last hops' mean squares
    std::deque<double> m_levels;    // the onset span's levels, newest last
    int m_lastAnswer = -1;          // -1: the next steady key answers whatever it is
    std::size_t m_silentRun = 0;
    uint64_t m_soundSince = 0;     // the end of the latest silent hop
    bool m_rising = false;         // the level is still rising from the latest onset
    double m_levelDb = -200;       // over the last 20 ms
    double m_quietestDb = -200;    // of the onset span, before the latest hop
    double m_answerLevelDb = -200; // when the last answer was given
    bool m_onsetSinceAnswer = false;
    std::size_t m_sinceOnset = 0; // frames judged after the latest onset
};
