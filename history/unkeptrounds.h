// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "mistakestats.h"
#include "roundrecord.h"

class HistoryStore;

// Rounds the store could not take (another pupil's history that this pupil
// may not write, a folder that takes no file): kept in memory for the rest
// of the run, offered to the store again after each round, and counted in
// the mistake map as if they were in the file.
class UnkeptRounds {
public:
    // Beyond this many the oldest goes: a day's rounds fit many times over.
    static constexpr std::size_t MaxRounds = 2000;

    void add(RoundRecord&& round, int64_t playedAtSecs, int32_t localDay);
    // Hands the rounds to the store in the order they were played, until it
    // refuses one.
    void offerTo(HistoryStore& store);
    // The player's rounds from `firstDay` on added to `stats` (practice rounds left out).
    void addTo(MistakeStats& stats, const std::string& player, int32_t firstDay) const;
    std::size_t size() const { return m_rounds.size(); }

private:
    struct Unkept {
        RoundRecord round;
        int64_t playedAtSecs;
        int32_t localDay;
    };
    std::deque<Unkept> m_rounds;
};
