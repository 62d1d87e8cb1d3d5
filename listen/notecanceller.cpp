// SPDX-License-Identifier: GPL-3.0-or-later
#include "notecanceller.h"

#include <cmath>

NoteCanceller::NoteCanceller(double sampleRate, double lowestHz)
    : m_rate(sampleRate > 0 ? sampleRate : 48000) {
    const double longest = lowestHz > 0 ? m_rate / lowestHz : m_rate / 20;
    // The period, and the two samples on either side the curve reads.
    m_past.assign(std::size_t(std::ceil(longest)) + 4, 0.0f);
}

void NoteCanceller::tune(double hz) {
    const double period = hz > 0 ? m_rate / hz : 0;
    m_period = period >= 2 && period + 3 <= double(m_past.size()) ? period : 0;
}

void NoteCanceller::process(const float* in, float* out, std::size_t count) {
    const std::size_t size = m_past.size();
    const std::size_t whole = std::size_t(m_period);
    const double f = m_period - double(whole);
    // Lagrange's weights for the samples whole-1, whole, whole+1 and whole+2 back.
    const double w0 = -f * (f - 1) * (f - 2) / 6;
    const double w1 = (f + 1) * (f - 1) * (f - 2) / 2;
    const double w2 = -(f + 1) * f * (f - 2) / 2;
    const double w3 = (f + 1) * f * (f - 1) / 6;
    for (std::size_t k = 0; k < count; ++k) {
        const float x = std::isfinite(in[k]) ? in[k] : 0.0f;
        float y = x;
        if (whole > 0) {
            const auto back = [&](std::size_t n) { return m_past[(m_next + size - n) % size]; };
            y = float(x - (w0 * back(whole - 1) + w1 * back(whole) + w2 * back(whole + 1) +
                           w3 * back(whole + 2)));
        }
        m_past[m_next] = x;
        m_next = (m_next + 1) % size;
        out[k] = y;
    }
}
