// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <vector>

// Takes one steady note, with all its overtones, out of what is heard: each
// sample less the one a period of that note before it. Whatever else sounds
// keeps its pitch (a filter changes no period), only the loudness of its
// overtones changes; a note an octave or more above the cancelled one goes
// with it. The period may fall between two samples: the earlier sample is
// read between them, through a cubic curve over the four around it.
class NoteCanceller {
public:
    // Periods up to that of `lowestHz` can be cancelled.
    NoteCanceller(double sampleRate, double lowestHz);

    // The note to take out; 0 or a pitch out of reach: none, what is heard
    // passes unchanged. What was heard before is kept: the next sample
    // already has its period behind it.
    void tune(double hz);
    bool tuned() const { return m_period > 0; }

    // `out` may be `in`. Samples that are not finite numbers count as silence.
    void process(const float* in, float* out, std::size_t count);

private:
    double m_rate;
    std::vector<float> m_past; // the latest samples, a ring
    std::size_t m_next = 0;    // where the next sample goes
    double m_period = 0;       // in samples, 0: none
};
