// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitchmeter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

double fundamentalHz(const std::vector<float>& x, double sampleRate) {
    const std::size_t minLag = static_cast<std::size_t>(sampleRate / 2000.0);
    const std::size_t maxLag = static_cast<std::size_t>(sampleRate / 50.0);
    if (x.size() < 2 * maxLag + 2)
        return 0.0;
    const std::size_t window = x.size() - maxLag - 1;
    std::vector<double> diff(maxLag + 2, 0.0);
    for (std::size_t lag = 1; lag <= maxLag + 1; ++lag) {
        double sum = 0.0;
        for (std::size_t i = 0; i < window; ++i) {
            const double d = double(x[i]) - double(x[i + lag]);
            sum += d * d;
        }
        diff[lag] = sum;
    }
    // Cumulative mean normalised difference.
    std::vector<double> cmnd(maxLag + 2, 1.0);
    double running = 0.0;
    for (std::size_t lag = 1; lag <= maxLag + 1; ++lag) {
        running += diff[lag];
        cmnd[lag] = running > 0 ? diff[lag] * double(lag) / running : 1.0;
    }
    constexpr double Threshold = 0.15;
    std::size_t best = 0;
    for (std::size_t lag = std::max<std::size_t>(minLag, 2); lag <= maxLag; ++lag) {
        if (cmnd[lag] < Threshold) {
            while (lag + 1 <= maxLag && cmnd[lag + 1] < cmnd[lag])
                ++lag; // down to the bottom of this dip
            best = lag;
            break;
        }
    }
    if (best == 0)
        return 0.0;
    // Parabolic interpolation between the neighbouring lags.
    const double a = cmnd[best - 1], b = cmnd[best], c = cmnd[best + 1];
    const double denominator = a - 2 * b + c;
    const double shift = denominator != 0 ? 0.5 * (a - c) / denominator : 0.0;
    return sampleRate / (double(best) + shift);
}

double rms(const std::vector<float>& x, std::size_t from, std::size_t to) {
    to = std::min(to, x.size());
    if (from >= to)
        return 0.0;
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(to - from));
}

double peak(const std::vector<float>& x, std::size_t from, std::size_t to) {
    to = std::min(to, x.size());
    double result = 0.0;
    for (std::size_t i = from; i < to; ++i)
        result = std::max(result, double(std::fabs(x[i])));
    return result;
}

namespace {
uint32_t readLe(const std::string& bytes, std::size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + std::size_t(i)]);
    return value;
}
} // namespace

std::vector<float> wavFirstChannel(const std::string& bytes, double& rate) {
    std::vector<float> samples;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return samples;
    unsigned channels = 0, bits = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        // A recorder still writing leaves the data chunk's length open.
        std::size_t size = readLe(bytes, at + 4, 4);
        const std::size_t body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            channels = readLe(bytes, body + 2, 2);
            rate = readLe(bytes, body + 4, 4);
            bits = readLe(bytes, body + 14, 2);
        } else if (id == "data" && channels > 0 && bits == 16) {
            size = std::min(size, bytes.size() - body);
            const std::size_t frame = 2 * channels;
            for (std::size_t i = 0; i + frame <= size; i += frame)
                samples.push_back(int16_t(readLe(bytes, body + i, 2)) / 32768.0f);
            return samples;
        }
        at = body + size + (size & 1);
    }
    return samples;
}
