// SPDX-License-Identifier: GPL-3.0-or-later
#include "bestlist.h"

#include <cstring>

void BestEntry::setName(const char* text) {
    // The field is 20 bytes with its terminating zero: anything longer is cut at 19.
    std::memset(name, 0, sizeof name);
    if (text)
        std::strncpy(name, text, sizeof name - 1);
}

void BestList::setDefaults() {
    static constexpr const char* Names[Places] = {"Tirn",     "Ruvenau", "Kelmstedt", "Harbolt",
                                                  "Sondo",    "Pirok",   "Quendel",   "Brassel",
                                                  "Falkendt", "Mirol"};
    for (auto& column : columns) {
        for (int i = 0; i < Places; ++i) {
            column[i].setName(Names[i]);
            column[i].points = Places - i;
        }
    }
}

void BestList::clearColumn(int column) {
    if (column < 1 || column > Columns)
        return;
    for (BestEntry& entry : columns[column - 1]) {
        entry.setName("Nobody");
        entry.points = 0;
    }
}

int BestList::placeFor(int column, int points) const {
    if (column < 1 || column > Columns)
        return -1;
    const auto& entries = columns[column - 1];
    if (points <= entries[Places - 1].points)
        return -1;
    // Walk up from the last place while the result beats the one above, so it
    // lands below every entry with equal points.
    int r = Places - 1;
    while (r > 0 && points > entries[r - 1].points)
        --r;
    return r;
}

int BestList::insert(int column, int points, const char* name) {
    const int r = placeFor(column, points);
    if (r < 0)
        return -1;
    auto& entries = columns[column - 1];
    for (int i = Places - 1; i > r; --i)
        entries[i] = entries[i - 1]; // the old place 10 falls off
    entries[r].setName(name);
    entries[r].points = points;
    return r;
}

bool operator==(const BestEntry& a, const BestEntry& b) {
    return a.points == b.points && std::strncmp(a.name, b.name, sizeof a.name) == 0;
}
