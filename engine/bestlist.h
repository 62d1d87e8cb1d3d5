// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>

// One place of the best list: a name of at most 19 Windows-1252 bytes and the points.
struct BestEntry {
    char name[20] = {};
    int32_t points = 0;
    void setName(const char* text); // copies at most 19 bytes
};
bool operator==(const BestEntry& a, const BestEntry& b); // same name and points

// The ten best results of each compass (one to four octaves).
struct BestList {
    static constexpr int Columns = 4;
    static constexpr int Places = 10;
    std::array<std::array<BestEntry, Places>, Columns> columns{}; // columns[c - 1][place - 1]

    BestEntry& at(int column, int index) { return columns[column - 1][index]; }
    const BestEntry& at(int column, int index) const { return columns[column - 1][index]; }
    void setDefaults();              // the same ten names, 10 down to 1 points, in every column
    void clearColumn(int column);    // ten "Nobody" with 0 points
    // Enter a result into a column: it needs strictly more points than place 10
    // and goes below every entry with equal points. Returns the index 0..9, or -1.
    int insert(int column, int points, const char* name);
    // The index the result would get, without changing the list; -1 when it does not enter.
    int placeFor(int column, int points) const;

    bool operator==(const BestList&) const = default;
};
