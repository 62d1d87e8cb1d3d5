// SPDX-License-Identifier: GPL-3.0-or-later
#include "award.h"

#include "bestlist.h"

AwardOutcome decideAward(BestList& list, uint16_t octaves, uint16_t points, bool practice,
                         const char* playerName) {
    AwardOutcome outcome;
    if (octaves < 1 || octaves > BestList::Columns) {
        outcome.kind = AwardOutcome::NoColumn;
        return outcome;
    }
    if (practice) {
        // Practice rounds only learn where they would have landed; the list stays as it is.
        outcome.index = list.placeFor(octaves, points);
        outcome.kind =
            outcome.index < 0 ? AwardOutcome::PracticeNoPlace : AwardOutcome::PracticeWouldEnter;
        return outcome;
    }
    outcome.index = list.insert(octaves, points, playerName);
    outcome.kind = outcome.index < 0 ? AwardOutcome::NoPlace : AwardOutcome::Entered;
    return outcome;
}
