// SPDX-License-Identifier: GPL-3.0-or-later
#include "wavfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

bool readWav(const char* path, WavSound& sound) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return false;
    // The chunks after the header: the samples are in "data".
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        uint32_t size = 0;
        for (int i = 3; i >= 0; --i)
            size = size << 8 | uint8_t(bytes[at + 4 + std::size_t(i)]);
        at += 8;
        if (id == "data") {
            // The file driver writes the size when it closes; a file cut short
            // (the program killed) still holds what was written.
            const std::size_t end = std::min<std::size_t>(bytes.size(), at + size);
            for (std::size_t i = at; i + 3 < end; i += 4) {
                const auto sample = [&](std::size_t j) {
                    return int16_t(uint8_t(bytes[j]) | uint8_t(bytes[j + 1]) << 8) / 32768.0f;
                };
                sound.left.push_back(sample(i));
                sound.right.push_back(sample(i + 2));
            }
            return true;
        }
        at += size + (size & 1);
    }
    return false;
}

std::vector<std::size_t> noteOnsets(const WavSound& sound, double quietMs) {
    const std::size_t quietRun = std::size_t(quietMs / 1000.0 * WavSound::Rate);
    std::vector<std::size_t> onsets;
    std::size_t quiet = quietRun; // the file starts in silence
    for (std::size_t i = 0; i < sound.left.size(); ++i) {
        const float level = std::max(std::fabs(sound.left[i]), std::fabs(sound.right[i]));
        if (level < 1e-3f) {
            ++quiet;
        } else {
            if (quiet >= quietRun)
                onsets.push_back(i);
            quiet = 0;
        }
    }
    return onsets;
}
