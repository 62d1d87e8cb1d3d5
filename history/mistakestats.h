// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <vector>

// How a player fared with each note over a period, and which notes they took
// for which: what the mistake map shows.
struct NoteTally {
    uint32_t asked = 0;      // times the note was asked
    uint32_t firstRight = 0; // of them, right at the first try
    uint32_t right = 0;      // answered right at all (at the first try or later)
    uint64_t msSum = 0;      // summed time to the right answer over the `right` ones

    // Share right at the first try, 0..1 (0 for a note never asked).
    double firstRightRate() const { return asked ? double(firstRight) / asked : 0.0; }
    // Mean time to the right answer in ms, or -1 when never answered right.
    double meanMs() const { return right ? double(msSum) / right : -1.0; }
};

struct Confusion {
    uint8_t asked = 0;    // the note that sounded
    uint8_t answered = 0; // the note named instead
    uint32_t times = 0;
};

struct MistakeStats {
    std::array<NoteTally, 128> notes{}; // by MIDI number
    std::vector<Confusion> confusions;  // most frequent first
    uint32_t rounds = 0;

    bool empty() const { return rounds == 0; }
};
