// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitchdetector.h"

#include <aubio/aubio.h>
#include <cmath>

#include "semitone.h"

struct PitchDetector::Aubio {
    aubio_pitch_t* pitch = nullptr;
    fvec_t* in = nullptr;
    fvec_t* out = nullptr;
    ~Aubio() {
        if (pitch)
            del_aubio_pitch(pitch);
        if (in)
            del_fvec(in);
        if (out)
            del_fvec(out);
    }
};

std::unique_ptr<PitchDetector> PitchDetector::create(double sampleRate, double lowestHz) {
    // Below 8 kHz no note of the keyboard's top keeps its overtones; above
    // 384 kHz no sound server delivers.
    if (!(sampleRate >= 8000 && sampleRate <= 384000) || !(lowestHz >= 20 && lowestHz < 2000))
        return nullptr;
    const std::size_t window = windowFor(sampleRate, lowestHz);
    const std::size_t hop = hopFor(sampleRate);
    auto aubio = std::make_unique<Aubio>();
    aubio->pitch = new_aubio_pitch("yinfast", uint_t(window), uint_t(hop), uint_t(sampleRate));
    aubio->in = new_fvec(uint_t(hop));
    aubio->out = new_fvec(1);
    if (!aubio->pitch || !aubio->in || !aubio->out)
        return nullptr;
    aubio_pitch_set_unit(aubio->pitch, "Hz");
    // The listener applies its own gate on the level; aubio's would hide
    // soft notes behind a fixed -50 dB.
    aubio_pitch_set_silence(aubio->pitch, -90);
    return std::unique_ptr<PitchDetector>(
        new PitchDetector(sampleRate, window, hop, std::move(aubio)));
}

PitchDetector::PitchDetector(double rate, std::size_t window, std::size_t hop,
                             std::unique_ptr<Aubio> aubio)
    : m_rate(rate), m_window(window), m_hop(hop), m_aubio(std::move(aubio)) {}

PitchDetector::~PitchDetector() = default;

void PitchDetector::feed(const float* samples, std::size_t count, const FrameSink& sink) {
    if (!samples)
        return;
    smpl_t* hop = m_aubio->in->data;
    for (std::size_t i = 0; i < count; ++i) {
        float x = samples[i];
        if (!std::isfinite(x))
            x = 0;
        hop[m_filled++] = x;
        m_squares += double(x) * x;
        if (m_filled == m_hop)
            judgeHop(sink);
    }
}

void PitchDetector::judgeHop(const FrameSink& sink) {
    m_fed += m_filled;
    aubio_pitch_do(m_aubio->pitch, m_aubio->in, m_aubio->out);
    PitchFrame frame;
    frame.hz = m_aubio->out->data[0];
    frame.confidence = aubio_pitch_get_confidence(m_aubio->pitch);
    const double meanSquare = m_squares / double(m_filled);
    frame.levelDb = meanSquare > 1e-20 ? 10.0 * std::log10(meanSquare) : -200.0;
    frame.endSample = m_fed;
    frame.window = m_window;
    m_filled = 0;
    m_squares = 0;
    if (sink)
        sink(frame);
}
