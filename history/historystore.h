// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <limits>
#include <string>

#include "mistakestats.h"
#include "roundrecord.h"

// The rounds kept from one run of the program to the next. Days are local
// calendar days as Julian day numbers, so that "today" follows the pupil's clock.
class HistoryStore {
public:
    static constexpr int32_t AllDays = std::numeric_limits<int32_t>::min();

    virtual ~HistoryStore() = default;
    // One round, written whole or not at all; false when it could not be kept.
    virtual bool keepRound(const RoundRecord& round, int64_t playedAtSecs, int32_t localDay) = 0;
    // The player's tallies of the rounds played on `firstDay` or later.
    // Practice rounds are left out: their note can be seen on the staff.
    virtual MistakeStats stats(const std::string& player, int32_t firstDay) = 0;
};
