// SPDX-License-Identifier: GPL-3.0-or-later
#include "peaklimiter.h"

#include <algorithm>
#include <cmath>

PeakLimiter::PeakLimiter(double sampleRate)
    : m_ceiling(float(std::pow(10.0, CeilingDb / 20.0))),
      m_lookAhead(std::max<std::size_t>(1, std::size_t(sampleRate * LookAheadMs / 1000.0))),
      m_release(1.0 - std::exp(-1.0 / (sampleRate * ReleaseMs / 1000.0))),
      m_left(m_lookAhead + 1, 0.0f), m_right(m_lookAhead + 1, 0.0f), m_needed(m_lookAhead + 1, 1.0f) {}

void PeakLimiter::process(const float* inLeft, const float* inRight, float* outLeft,
                          float* outRight, std::size_t frames) {
    const std::size_t size = m_lookAhead + 1;
    const double ceiling = m_ceiling;
    for (std::size_t i = 0; i < frames; ++i) {
        // The newest sample enters the ring with the gain it will need.
        const float l = inLeft[i];
        const float r = inRight[i];
        const double level = std::max(std::fabs(l), std::fabs(r));
        m_left[m_pos] = l;
        m_right[m_pos] = r;
        m_needed[m_pos] = level > ceiling ? float(ceiling / level) : 1.0f;
        m_pos = (m_pos + 1) % size;
        // m_pos now holds the oldest sample, the one that leaves. A need k
        // samples ahead of it is met by a straight glide from 1 at the far end
        // of the look-ahead down to that need, so the gain never steps.
        double target = 1.0;
        for (std::size_t k = 0; k < size; ++k) {
            const double need = m_needed[(m_pos + k) % size];
            if (need < 1.0) {
                const double glide = 1.0 - (1.0 - need) * double(size - k) / double(size);
                target = std::min(target, glide);
            }
        }
        m_gain = target < m_gain ? target : m_gain + (target - m_gain) * m_release;
        outLeft[i] = float(m_left[m_pos] * m_gain);
        outRight[i] = float(m_right[m_pos] * m_gain);
    }
}
