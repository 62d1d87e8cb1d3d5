// SPDX-License-Identifier: GPL-3.0-or-later
#include "semitone.h"

#include <cmath>

NearestKey nearestKey(double hz) {
    if (!(hz > 0) || !std::isfinite(hz))
        return {};
    const double key = 69.0 + 12.0 * std::log2(hz / 440.0);
    const double nearest = std::round(key);
    return {int(nearest), 100.0 * (key - nearest)};
}

double keyHz(int note) {
    return 440.0 * std::exp2((note - 69) / 12.0);
}

std::size_t windowFor(double sampleRate, double lowestHz) {
    std::size_t window = 64;
    const double needed = 2.5 * sampleRate / lowestHz;
    while (double(window) < needed)
        window *= 2;
    return window;
}

std::size_t hopFor(double sampleRate) {
    const auto hop = std::size_t(std::floor(sampleRate * 0.005));
    return hop > 0 ? hop : 1;
}
