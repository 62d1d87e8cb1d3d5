// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "pitchdetector.h"

// The pitch heard through two windows at once, on the same hop. The window
// long enough for the lowest key is slow: for its whole length after a note
// begins it still holds the attack, or the silence before it. A high note is
// heard sooner through a window sized for the keys from C' up, so each hop
// takes the short window's judgement when it is sure of a pitch it can hold,
// unless the long window is sure of a pitch below its reach (then the short
// one heard an overtone) or surer of another key; otherwise the long window's.
class PitchBank {
public:
    // The long window for `lowestNote`, the short one for `shortFrom` up (none
    // when that is no higher); nullptr when the detector refuses them.
    static std::unique_ptr<PitchBank> create(double sampleRate, int lowestNote, int shortFrom,
                                             double minConfidence);

    // One frame per hop, as a single detector gives them.
    void feed(const float* samples, std::size_t count, const PitchDetector::FrameSink& sink);

    // The window for the lowest key.
    const PitchDetector& longest() const { return *m_bands.back().detector; }

private:
    struct Band {
        std::unique_ptr<PitchDetector> detector;
        int lowestNote;
        std::vector<PitchFrame> frames; // of the block being fed
    };
    explicit PitchBank(double minConfidence) : m_minConfidence(minConfidence) {}
    const PitchFrame& choose(std::size_t hop) const;

    double m_minConfidence;
    std::vector<Band> m_bands; // the short window first
};
