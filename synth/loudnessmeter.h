// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>

// How loud a stretch of stereo sound is, as a listener hears it: K-weighted
// loudness after ITU-R BS.1770. Each channel goes through the two K-filter
// stages (a high shelf of about +4 dB above 1.5 kHz for the head, and a high
// pass at 38 Hz), the mean squares of both channels are added, and the result
// is -0.691 + 10 log10(sum) in LUFS. Without gating: the stretches measured
// here are single notes from their start, silence is not among them.
// Beside it the sample peak, in dBFS.
class LoudnessMeter {
public:
    explicit LoudnessMeter(double sampleRate);

    void add(const float* left, const float* right, std::size_t frames);
    // -inf for silence or nothing added.
    double loudnessLufs() const;
    double peakDbfs() const;

    // One second-order section, direct form I, coefficients normalised to a0 = 1.
    struct Biquad {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    };
    static Biquad shelfStage(double sampleRate);
    static Biquad highPassStage(double sampleRate);

private:
    struct Channel {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;           // shelf stage state
        double hx1 = 0, hx2 = 0, hy1 = 0, hy2 = 0;       // high-pass stage state
        double sumSquares = 0;
        double filtered(double x, const Biquad& s, const Biquad& h);
    };
    Biquad m_shelf;
    Biquad m_highPass;
    Channel m_channels[2];
    std::size_t m_frames = 0;
    double m_peak = 0;
};
