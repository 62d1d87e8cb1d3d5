// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <vector>

// Keeps the built-in synthesizer's output below a ceiling when notes sound
// together: a wrong click's note with its correction over it may add up to
// twice the level of one note. Each note alone is levelled below the ceiling
// and passes untouched (only delayed by the look-ahead).
//
// Both channels share one gain, so the stereo picture stays. The signal is
// delayed by a millisecond; within it the gain glides down towards what the
// coming peak needs, and it recovers slowly afterwards, so that no click is
// heard where it acts.
class PeakLimiter {
public:
    static constexpr double CeilingDb = -1.0;
    static constexpr double LookAheadMs = 1.0;
    static constexpr double ReleaseMs = 150.0;

    explicit PeakLimiter(double sampleRate);

    // In place is fine: each sample is read before its place is written.
    void process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                 std::size_t frames);
    std::size_t latencyFrames() const { return m_lookAhead; }

private:
    float m_ceiling;
    std::size_t m_lookAhead;
    double m_release; // per sample, towards a gain of 1
    double m_gain = 1.0;
    // The last m_lookAhead + 1 samples and the gain each needs, as a ring.
    std::vector<float> m_left, m_right, m_needed;
    std::size_t m_pos = 0;
};
