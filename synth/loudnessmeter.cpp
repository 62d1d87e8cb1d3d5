// SPDX-License-Identifier: GPL-3.0-or-later
#include "loudnessmeter.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The filters for any sample rate, from their analogue prototypes: the
// published 48 kHz coefficients come out of these constants.
LoudnessMeter::Biquad LoudnessMeter::shelfStage(double sampleRate) {
    const double f0 = 1681.974450955533;
    const double gainDb = 3.999843853973347;
    const double q = 0.7071752369554196;
    const double k = std::tan(M_PI * f0 / sampleRate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    Biquad s;
    s.b0 = (vh + vb * k / q + k * k) / a0;
    s.b1 = 2.0 * (k * k - vh) / a0;
    s.b2 = (vh - vb * k / q + k * k) / a0;
    s.a1 = 2.0 * (k * k - 1.0) / a0;
    s.a2 = (1.0 - k / q + k * k) / a0;
    return s;
}

LoudnessMeter::Biquad LoudnessMeter::highPassStage(double sampleRate) {
    const double f0 = 38.13547087602444;
    const double q = 0.5003270373238773;
    const double k = std::tan(M_PI * f0 / sampleRate);
    const double a0 = 1.0 + k / q + k * k;
    Biquad h;
    h.b0 = 1.0;
    h.b1 = -2.0;
    h.b2 = 1.0;
    h.a1 = 2.0 * (k * k - 1.0) / a0;
    h.a2 = (1.0 - k / q + k * k) / a0;
    return h;
}

LoudnessMeter::LoudnessMeter(double sampleRate)
    : m_shelf(shelfStage(sampleRate)), m_highPass(highPassStage(sampleRate)) {}

double LoudnessMeter::Channel::filtered(double x, const Biquad& s, const Biquad& h) {
    const double y = s.b0 * x + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    const double z = h.b0 * y + h.b1 * hx1 + h.b2 * hx2 - h.a1 * hy1 - h.a2 * hy2;
    hx2 = hx1;
    hx1 = y;
    hy2 = hy1;
    hy1 = z;
    return z;
}

void LoudnessMeter::add(const float* left, const float* right, std::size_t frames) {
    const float* channels[2] = {left, right};
    for (int c = 0; c < 2; ++c) {
        Channel& ch = m_channels[c];
        const float* x = channels[c];
        double sum = 0;
        for (std::size_t i = 0; i < frames; ++i) {
            const double z = ch.filtered(x[i], m_shelf, m_highPass);
            sum += z * z;
            m_peak = std::max(m_peak, double(std::fabs(x[i])));
        }
        ch.sumSquares += sum;
    }
    m_frames += frames;
}

double LoudnessMeter::loudnessLufs() const {
    const double sum = (m_channels[0].sumSquares + m_channels[1].sumSquares);
    if (m_frames == 0 || sum <= 0)
        return -std::numeric_limits<double>::infinity();
    return -0.691 + 10.0 * std::log10(sum / double(m_frames));
}

double LoudnessMeter::peakDbfs() const {
    if (m_peak <= 0)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(m_peak);
}
