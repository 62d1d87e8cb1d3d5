// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <deque>

// Through loudspeakers the microphone hears the game's own note, and that
// note is the right answer. The gate keeps it from answering itself: for a
// while after each note the game plays nothing heard counts, and meanwhile it
// learns how loud that note reaches the microphone; from then on an answer
// must begin clearly louder than that. A note that swells after its attack
// (a bowed string, a choir) is still the game's: whatever level was reached a
// tenth of a second ago counts as its echo, so only a sudden rise above all
// of it opens the gate. With headphones it stands open.
class EchoGate {
public:
    enum class Verdict {
        Closed,      // nothing heard counts now
        Opens,       // the pupil has just begun, over the game's note or after it
        SilenceGame, // ... over the game's note, which must now fall silent
        Open,        // what is heard counts
    };

    static constexpr double LearnMs = 300;  // after each of the game's notes
    static constexpr double MarginDb = 6;   // the pupil above the game's note
    static constexpr double FadeMs = 300;   // the room's echo of a silenced note
    static constexpr double RiseMs = 100;   // a rise slower than this is the note's own swell

    explicit EchoGate(double sampleRate);

    void setHeadphones(bool on) { m_headphones = on; }
    // The game began a note / fell silent, when `atSample` samples were heard.
    void gameNote(uint64_t atSample);
    void gameQuiet(uint64_t atSample);

    // The level of what was heard up to `endSample` (over some 20 ms, dBFS),
    // every hop of the listener.
    Verdict hear(double levelDb, uint64_t endSample);

private:
    uint64_t samples(double ms) const;

    double m_rate;
    bool m_headphones = false;
    bool m_sounding = false;  // the game's note sounds
    bool m_open = true;       // no note of the game stands in the way
    uint64_t m_learnUntil = 0;
    uint64_t m_quietSince = 0;
    double m_ownDb = -200;    // the loudest the game's note reached the microphone
    std::deque<std::pair<uint64_t, double>> m_recent; // levels of the last RiseMs
};
