// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The classic C runtime generator the note draw relies on: the same seed
// gives the same notes.
class CrtRandom {
public:
    void seed(uint32_t s) { m_state = s; }
    int next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7fff);
    }

private:
    uint32_t m_state = 1;
};
