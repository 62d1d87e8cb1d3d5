// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitchbank.h"

#include "semitone.h"

std::unique_ptr<PitchBank> PitchBank::create(double sampleRate, int lowestNote, int shortFrom,
                                             double minConfidence) {
    std::unique_ptr<PitchBank> bank(new PitchBank(minConfidence));
    std::vector<int> lowest;
    if (shortFrom > lowestNote)
        lowest.push_back(shortFrom);
    lowest.push_back(lowestNote);
    for (int note : lowest) {
        // A semitone below the band's lowest key, so that a pupil a little
        // flat is heard there too.
        auto detector = PitchDetector::create(sampleRate, keyHz(note - 1));
        if (!detector)
            return nullptr;
        bank->m_bands.push_back({std::move(detector), note, {}});
    }
    return bank;
}

void PitchBank::feed(const float* samples, std::size_t count,
                     const PitchDetector::FrameSink& sink) {
    // All windows share the hop and are fed the same samples: each gives
    // the same number of frames, at the same ends.
    for (Band& band : m_bands) {
        band.frames.clear();
        band.detector->feed(samples, count,
                            [&band](const PitchFrame& frame) { band.frames.push_back(frame); });
    }
    const std::size_t hops = m_bands.back().frames.size();
    for (std::size_t hop = 0; hop < hops; ++hop)
        if (sink)
            sink(choose(hop));
}

const PitchFrame& PitchBank::choose(std::size_t hop) const {
    const auto sure = [this, hop](const Band& band) {
        const PitchFrame& f = band.frames[hop];
        return f.hz > 0 && f.confidence >= m_minConfidence;
    };
    for (std::size_t b = 0; b + 1 < m_bands.size(); ++b) {
        const Band& band = m_bands[b];
        if (!sure(band) || nearestKey(band.frames[hop].hz).note < band.lowestNote)
            continue;
        bool overtone = false;
        const PitchFrame* surer = nullptr;
        for (std::size_t l = b + 1; l < m_bands.size() && !overtone; ++l) {
            const PitchFrame& longer = m_bands[l].frames[hop];
            overtone = sure(m_bands[l]) && nearestKey(longer.hz).note < band.lowestNote;
            // Both in reach and sure of different keys: a short window
            // slips an octave up to a strong overtone more easily than a long
            // one, once the long one holds the note whole.
            if (!overtone && sure(m_bands[l]) && !surer &&
                longer.confidence > band.frames[hop].confidence &&
                nearestKey(longer.hz).note != nearestKey(band.frames[hop].hz).note)
                surer = &longer;
        }
        if (!overtone)
            return surer ? *surer : band.frames[hop];
    }
    return m_bands.back().frames[hop];
}
