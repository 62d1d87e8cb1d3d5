// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer under ThreadSanitizer, without Qt: the window's
// thread sends a stream of messages while the SoundFont is read on a thread
// of its own and goes on as the reading ends. The sanitizer must see no race,
// and every opening must have read its SoundFont.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

#include "fluidsynthout.h"
#include "shortmessage.h"

int main() {
    char folder[] = "/tmp/qvb-synth-tsan-XXXXXX";
    if (!::mkdtemp(folder))
        return 2;
    const std::string wav = std::string(folder) + "/out.wav";
    SynthConfig config;
    config.audio = "file:" + wav;
    int failures = 0;
    for (int round = 0; round < 2; ++round) {
        auto synth = FluidSynthOut::open(config);
        if (!synth) {
            std::fprintf(stderr, "the synthesizer did not open\n");
            return 1;
        }
        // Programs, notes and silence, in turn, for longer than the SoundFont
        // takes to read: the sending goes on while the reading ends.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
            synth->sendShort(packShortMessage(0xC0, uint8_t(i % 128), 0));
            synth->sendShort(packShortMessage(0x90, uint8_t(40 + i % 40), 100));
            synth->sendShort(packShortMessage(0xB0, 0x78, 0));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (synth->soundFont().empty()) {
            std::fprintf(stderr, "no SoundFont was read\n");
            ++failures;
        }
    }
    ::unlink(wav.c_str());
    ::rmdir(folder);
    std::printf("%s\n", failures ? "FAILED" : "passed: no race, every round read its SoundFont");
    return failures ? 1 : 0;
}
