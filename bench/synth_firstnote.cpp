// SPDX-License-Identifier: GPL-3.0-or-later
// How long the first note of a newly chosen instrument waits, when the
// built-in synthesizer reads a program's samples only as it is chosen: for
// each of the 18 instruments, the program change (its samples read), then a
// note played in blocks of the audio driver's size until it is heard. Once
// with the SoundFont's pages dropped from the file cache (as after a reboot;
// only this file's pages) and once with them cached, as when the instrument
// was chosen before. Also the resident memory of the levelled synthesizer.
//
//   synth_firstnote [SOUNDFONT]     (default: the default SoundFont)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fluidsynthout.h"
#include "instruments.h"
#include "shortmessage.h"
#include "synthaudio.h"
#include "buildmodules.h"

namespace {
void dropFromCache(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kb;
            break;
        }
        status.ignore(4096, '\n');
    }
    return double(kb) / 1024.0;
}

// From the program change to the first block in which the note is heard, in
// milliseconds of the clock (reading) and of sound (blocks rendered before it).
struct Wait {
    double readMs = 0;
    double soundMs = 0;
};

Wait firstNote(FluidSynthOut& synth, int program) {
    constexpr int Block = SynthAudio::PeriodSize;
    std::vector<float> left(Block), right(Block);
    const auto start = std::chrono::steady_clock::now();
    synth.sendShort(packShortMessage(0xC0, uint8_t(program), 0));
    synth.sendShort(packShortMessage(0x90, 60, 127));
    Wait wait;
    wait.readMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (int block = 0; block < 100; ++block) {
        synth.render(left.data(), right.data(), Block);
        float peak = 0;
        for (int i = 0; i < Block; ++i)
            peak =
                std::max({peak, std::fabs(left[std::size_t(i)]), std::fabs(right[std::size_t(i)])});
        if (peak > 1e-3f) {
            wait.soundMs = 1000.0 * block * Block / synth.sampleRate();
            break;
        }
    }
    synth.sendShort(packShortMessage(0xB0, 0x78, 0));
    return wait;
}
} // namespace

int main(int argc, char** argv) {
    useBuildModules();
    SynthConfig config;
    if (argc > 1)
        config.soundFont = argv[1];
    config.soundFontRoot.clear();
    const double before = residentMiB();
    auto synth = FluidSynthOut::openOffline(config);
    if (!synth) {
        std::fprintf(stderr, "no SoundFont at %s\n", config.soundFont.c_str());
        return 1;
    }
    std::printf("SoundFont %s, levelled in %.0f ms; resident memory %.1f MiB (%.1f MiB before "
                "it was read)\n",
                synth->soundFont().c_str(), synth->levels().measuringMs(), residentMiB(), before);
    std::printf("| instrument | uncached: read ms + until heard ms | cached: read ms + until "
                "heard ms |\n|---|---|---|\n");
    double worstCold = 0, worstWarm = 0, most = 0;
    for (const Instrument& instrument : Instruments) {
        // Another program first, so that this one's samples are not in memory.
        firstNote(*synth, instrument.program == 0 ? 1 : 0);
        dropFromCache(synth->soundFont());
        const Wait cold = firstNote(*synth, instrument.program);
        firstNote(*synth, instrument.program == 0 ? 1 : 0);
        const Wait warm = firstNote(*synth, instrument.program);
        most = std::max(most, residentMiB());
        std::printf("| %s | %.1f + %.1f | %.1f + %.1f |\n", instrument.name, cold.readMs,
                    cold.soundMs, warm.readMs, warm.soundMs);
        worstCold = std::max(worstCold, cold.readMs + cold.soundMs);
        worstWarm = std::max(worstWarm, warm.readMs + warm.soundMs);
    }
    std::printf("longest wait of a first note: %.1f ms uncached, %.1f ms cached, plus %.1f ms of "
                "the audio driver's buffer; resident memory at most %.1f MiB\n",
                worstCold, worstWarm, synth->bufferLatencyMs(), most);
    return 0;
}
