// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

struct BestList;

// What a round that ended by itself earned. The window turns it into the
// message and, for a real entry, shows the best list.
struct AwardOutcome {
    enum Kind {
        NoPlace,             // not enough points: "Bravo, Du hast %d Punkte errungen! ..."
        Entered,             // entered into the list at `index`
        PracticeWouldEnter,  // practice mode: would have earned place index + 1, list unchanged
        PracticeNoPlace,     // practice mode without a place: nothing is shown
        NoColumn,            // a compass outside 1..4 octaves: nothing to enter, nothing shown
    };
    Kind kind = NoPlace;
    int index = -1; // 0..9 where a place was (or would have been) earned
};

// Decide the award of a finished round on `list` (the award's own copy):
// enters the result with `playerName` unless in practice mode.
AwardOutcome decideAward(BestList& list, uint16_t octaves, uint16_t points, bool practice,
                         const char* playerName);
