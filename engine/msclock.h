// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The millisecond clock every delay of a round is measured on. It wraps at
// 2^32 ms like the multimedia clock the game was first written for, so every
// comparison is made on the unsigned 32-bit difference.
class MsClock {
public:
    virtual ~MsClock() = default;
    virtual uint32_t now() = 0;
};

// True when more than `ms` milliseconds have passed from `start` to `now`,
// also across the clock's wrap.
inline bool elapsedMoreThan(uint32_t now, uint32_t start, uint32_t ms) {
    return static_cast<uint32_t>(now - start) > ms;
}
