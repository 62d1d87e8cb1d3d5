// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// Landing places of the points pile: where the i-th right note of a round
// falls, in pixels of the 79 x 100 pile image. Only 100 places exist while a
// round has up to 200 notes: note i uses place i mod 100, in the round and in
// the pile drawing alike, so the second hundred heads stack on the first.
class PileTable {
public:
    static constexpr int Places = 100;
    int16_t pileX[Places] = {};
    int16_t pileY[Places] = {};

    // Turn the (column, row) table into pixel positions: x = 4 column, y = 10 (9 - row).
    void convert();
    static int place(int index) { return index % Places; }
    int x(int index) const { return pileX[place(index)]; }
    int y(int index) const { return pileY[place(index)]; }

    static const uint8_t Column[Places];
    static const uint8_t Row[Places];
};
