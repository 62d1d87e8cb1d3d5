// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// One judgement of the pitch, made every hop over the last window of sound.
struct PitchFrame {
    double hz = 0;          // 0: no pitch heard
    double confidence = 0;  // 0..1, how periodic the window is
    double levelDb = -200;  // loudness of the hop's samples (RMS, dBFS)
    uint64_t endSample = 0; // samples fed up to and including this hop
    std::size_t window = 0; // samples the judgement looked back over
};

// The pitch of mono samples, by aubio's YIN computed through the FFT, with a
// window long enough for the lowest note to be heard and a hop of at most
// 5 ms. Blocks of any size may be fed; a frame comes out after every hop.
class PitchDetector {
public:
    // nullptr when the rate or the lowest frequency make no sense, or aubio
    // refuses them.
    static std::unique_ptr<PitchDetector> create(double sampleRate, double lowestHz);
    ~PitchDetector();
    PitchDetector(const PitchDetector&) = delete;
    PitchDetector& operator=(const PitchDetector&) = delete;

    using FrameSink = std::function<void(const PitchFrame&)>;
    // Samples that are not finite numbers are heard as silence.
    void feed(const float* samples, std::size_t count, const FrameSink& sink);

    double sampleRate() const { return m_rate; }
    std::size_t windowSize() const { return m_window; }
    std::size_t hopSize() const { return m_hop; }

private:
    struct Aubio;
    PitchDetector(double rate, std::size_t window, std::size_t hop, std::unique_ptr<Aubio> aubio);
    void judgeHop(const FrameSink& sink);

    double m_rate;
    std::size_t m_window;
    std::size_t m_hop;
    std::unique_ptr<Aubio> m_aubio;
    std::size_t m_filled = 0; // samples of the current hop
    double m_squares = 0;     // their sum of squares
    uint64_t m_fed = 0;
};
