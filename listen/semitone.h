// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>

// The key of the keyboard nearest to a frequency, with A' = 440 Hz on key 69.
struct NearestKey {
    int note = 0;     // MIDI note number
    double cents = 0; // how far the frequency lies above (+) or below (-) it
};
NearestKey nearestKey(double hz);

double keyHz(int note);

// The analysis window for hearing notes down to `lowestHz`: a power of two
// (the detector's FFT needs one) that holds at least two and a half periods
// of the lowest note, so that its period can be told from its octave below.
std::size_t windowFor(double sampleRate, double lowestHz);

// At most 5 ms between two judgements of the pitch.
std::size_t hopFor(double sampleRate);
