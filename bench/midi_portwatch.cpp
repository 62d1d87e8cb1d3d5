// SPDX-License-Identifier: GPL-3.0-or-later
// Measured runs (not tests) for devices that come and go:
//  1. an instrument's JACK port appears -> the program's input is on it;
//  2. the CPU the watching costs while nothing changes, against none;
//  3. a PulseAudio server returns -> the built-in synthesizer plays to it.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "fluidsynthout.h"
#include "jackserver.h"
#include "jacktestclient.h"
#include "mididevices.h"
#include "portwatcher.h"
#include "pulseserver.h"
#include "systemmidi.h"
#include "buildmodules.h"

namespace {
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// Runs the event loop until `done` or the time is up; the milliseconds it took.
template <class Done> qint64 spinUntil(Done done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return clock.elapsed();
}

void report(const char* what, std::vector<qint64> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s n=%zu  median %lld ms  max %lld ms\n", what, ms.size(),
                static_cast<long long>(ms[ms.size() / 2]), static_cast<long long>(ms.back()));
}

SynthConfig silentSynth() {
    SynthConfig config;
    config.soundFont = "/nonexistent/none.sf2";
    config.soundFontRoot = "";
    return config;
}

void portAppearsToInUse() {
    SystemMidi platform(silentSynth());
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    PortWatcher watcher(midi);
    watcher.start();
    std::vector<qint64> times;
    for (int run = 0; run < 20; ++run) {
        auto keyboard = std::make_unique<JackTestClient>("benchkbd"); // its port is there now
        QElapsedTimer clock;
        clock.start();
        spinUntil([&] { return midi.inputWorks(); });
        times.push_back(clock.elapsed());
        keyboard.reset();
        spinUntil([&] { return !midi.lostInIdentity.empty(); });
    }
    report("JACK port appears -> input in use", times);
}

void idleCpu(bool watching) {
    SystemMidi platform(silentSynth());
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    // No instrument in this process: its JACK thread, woken every period,
    // would cost far more than everything measured here.
    PortWatcher watcher(midi);
    if (watching)
        watcher.start();
    spinUntil([] { return false; }, 1000);
    const double before = cpuSeconds();
    // The window's event loop waits as it does between rounds.
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = cpuSeconds() - before;
    std::printf("idle 20 s, %-12s CPU %.4f s = %.3f %% of a core, %d listings\n",
                watching ? "watching" : "not watching", used, 100.0 * used / 20.0,
                watcher.listings());
}

void soundServerBackToPlaying() {
    PulseServer server;
    if (!server.running()) {
        std::puts("no PulseAudio server: skipped");
        return;
    }
    auto synth = FluidSynthOut::open(SynthConfig{});
    if (!synth || synth->driverName() != "pulseaudio") {
        std::puts("the synthesizer did not start on PulseAudio: skipped");
        return;
    }
    std::vector<qint64> times;
    for (int run = 0; run < 10; ++run) {
        server.kill();
        spinUntil([&] { return synth->driverName().empty(); });
        QThread::msleep(300);
        QElapsedTimer clock;
        server.start();
        clock.start();
        spinUntil([&] { return !synth->driverName().empty(); });
        times.push_back(clock.elapsed());
    }
    report("PulseAudio back -> synthesizer plays to it", times);
}
} // namespace

int main(int argc, char** argv) {
    useBuildModules();
    QCoreApplication app(argc, argv);
    {
        JackServer jack;
        if (!jack.running()) {
            std::puts("jackd did not start");
            return 1;
        }
        portAppearsToInUse();
        idleCpu(false);
        idleCpu(true);
    }
    // Without a JACK server, as on a desktop: else the synthesizer would go
    // on to JACK, the next driver in its order, while PulseAudio is away.
    soundServerBackToPlaying();
    return 0;
}
