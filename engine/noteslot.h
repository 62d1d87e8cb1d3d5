// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// One note of a round, from the moment it is drawn until it lands on the pile.
struct NoteSlot {
    enum State : uint16_t { Free = 0, OnLine = 1, ClickedRight = 2, OffLine = 3, Finished = 4 };

    int16_t drawX = 0;      // x truncated toward zero
    int16_t drawY = 0;      // y truncated toward zero
    float x = 0.0f;         // horizontal position in the view, px
    float y = 0.0f;         // vertical position in the view, px
    float fallSpeed = 0.0f; // px per tick while a right note falls onto the pile
    uint16_t octave = 0;    // 0..4 above the low C
    uint16_t step = 0;      // 0..6, C D E F G A H
    int32_t accidental = 0; // -1 flat, 0 none, +1 sharp
    int32_t result = 0;     // 0 open, 1 right, -1 wrong
    uint8_t note = 72;      // MIDI note number
    uint16_t state = 0;     // see State
};

inline constexpr int SlotCount = 200;
