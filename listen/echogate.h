// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <deque>

// Through loudspeakers the microphone hears the game's own note, and that
// note is the right answer. The gate keeps it from answering itself: for a
// while after each note the game plays nothing heard counts; from then on an
// answer must begin with a sudden rise clearly above what the microphone has
// heard of late. The game's note only fades or swells slowly: whatever level
// was reached in the last 0.6 s, 0.3 s ago or earlier (a voice may take that
// long to come in), counts as its echo, unless the pupil's own note was heard
// then. A note that has died down, or a pupil who sang before and fell
// silent, leaves that reckoning soon after. With headphones the gate stands
// open.
struct GateRules {
    double learnMs = 300;  // after each of the game's notes
    double marginDb = 5;   // the pupil above the game's note
    double fadeMs = 300;   // the room's echo of a silenced note
    double riseMs = 300;   // a rise slower than this is the note's own swell
    double memoryMs = 600; // how long a level heard counts as the echo
    // With the game's note taken out of what is heard, what is left is
    // somebody else only when it is this much of all that is heard at least,
    // and has risen this far above what was left of the note alone.
    double leftShareDb = -10;
    double leftRiseDb = 12;
    double leftWakeDb = 6; // the ear listens that much below the share already
    int leftReach = 18;    // keys off the game's note that ear judges
};

class EchoGate {
public:
    enum class Verdict {
        Learning,    // nothing heard counts now: the game's note has only just begun
        Closed,      // the game's notes heard now are its own
        Opens,       // the pupil has just begun, over the game's note or after it
        SilenceGame, // ... over the game's note, which must now fall silent
        Open,        // what is heard counts
    };

    explicit EchoGate(double sampleRate, const GateRules& rules = {});

    void setHeadphones(bool on) { m_headphones = on; }
    // The game began a note / fell silent, when `atSample` samples were heard.
    void gameNote(uint64_t atSample);
    void gameQuiet(uint64_t atSample);

    // The level of what was heard up to `endSample` (over some 20 ms, dBFS),
    // every hop of the listener. `pupils`: a note was heard then that the game
    // does not sound, so that level was the pupil's, not the echo's.
    Verdict hear(double levelDb, uint64_t endSample, bool pupils = false);

private:
    uint64_t samples(double ms) const;

    double m_rate;
    GateRules m_rules;
    bool m_headphones = false;
    bool m_sounding = false;  // the game's note sounds
    bool m_open = true;       // no note of the game stands in the way
    uint64_t m_learnUntil = 0;
    uint64_t m_quietSince = 0;
    struct Heard {
        uint64_t countsFrom; // counted as the echo from then on
        uint64_t heardAt;
        double levelDb;
    };
    std::deque<Heard> m_recent; // levels of the last memoryMs
};
