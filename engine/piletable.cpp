// SPDX-License-Identifier: GPL-3.0-or-later
#include "piletable.h"

// The order in which points fill the pile: a pyramid of 10 rows over 19
// columns, growing from the middle of its bottom row.
// clang-format off
const uint8_t PileTable::Column[Places] = {
    9, 9, 8, 10, 7, 8, 9, 11, 10, 6, 7, 8, 9, 12, 11, 10, 5, 6, 7, 8,
    9, 13, 12, 11, 10, 4, 5, 6, 7, 8, 9, 14, 13, 12, 11, 10, 3, 4, 5, 6,
    7, 8, 9, 15, 14, 13, 12, 11, 10, 2, 3, 4, 5, 6, 7, 8, 9, 16, 15, 14,
    13, 12, 11, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 17, 16, 15, 14, 13, 12, 11,
    10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 18, 17, 16, 15, 14, 13, 12, 11, 10,
};

const uint8_t PileTable::Row[Places] = {
    0, 1, 0, 0, 0, 1, 2, 0, 1, 0, 1, 2, 3, 0, 1, 2, 0, 1, 2, 3,
    4, 0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 0, 1, 2, 3,
    4, 5, 6, 0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2,
    3, 4, 5, 6, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 2, 3, 4, 5, 6,
    7, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8,
};
// clang-format on

void PileTable::convert() {
    for (int i = 0; i < Places; ++i) {
        pileX[i] = static_cast<int16_t>(4 * Column[i]);
        pileY[i] = static_cast<int16_t>(10 * (9 - Row[i]));
    }
}
