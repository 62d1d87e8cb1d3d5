// SPDX-License-Identifier: GPL-3.0-or-later
// Measured runs (not tests) for devices that come and go:
//  1. an instrument's JACK port appears -> the program's input is on it;
//  2. the CPU the watching costs while nothing changes, against none;
//  3. a PulseAudio server returns -> the built-in synthesizer plays to it;
//  4. a sound server crashes -> the built-in synthesizer is heard again, for
//     PulseAudio and pipewire-pulse, started anew at once or on the next knock
//     on the socket held for them, measured at the server's sink.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "fluidsynthout.h"
#include "jackserver.h"
#include "jacktestclient.h"
#include "mididevices.h"
#include "portwatcher.h"
#include "pulseserver.h"
#include "shortmessage.h"
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
        keyboard->waitRouted(); // the input connects on a thread of its own
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
void crashToHeardAgain(PulseServer::Kind kind, PulseServer::Start how, const char* what) {
    PulseServer server(how, kind);
    if (!server.running()) {
        std::printf("%s: no server, skipped\n", what);
        return;
    }
    auto synth = FluidSynthOut::open(SynthConfig{});
    if (!synth || synth->driverName() != "pulseaudio" || synth->soundFont().empty()) {
        std::printf("%s: the synthesizer did not start on it, skipped\n", what);
        return;
    }
    synth->sendShort(packShortMessage(0xC0, 16, 0)); // an organ: it holds its tone
    std::vector<qint64> times;
    for (int run = 0; run < 5; ++run) {
        const int before = synth->audioRestarts();
        std::atomic<bool> sending{true};
        // The game goes on sounding notes while the server is away.
        std::thread notes([&] {
            while (sending) {
                synth->sendShort(packShortMessage(0x90, 60, 127));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        QThread::msleep(500);
        QElapsedTimer sinceCrash;
        server.kill();
        sinceCrash.start();
        if (how == PulseServer::Start::ByItself)
            server.start(); // as a service manager restarting it at once
        qint64 recording = -1;
        // The sink's monitor gives samples only while a stream plays to it.
        const auto samples = server.record([&] { recording = sinceCrash.elapsed(); }, 1500);
        sending = false;
        notes.join();
        std::size_t onset = 0;
        while (onset < samples.size() && std::abs(samples[onset]) < 0.01f)
            ++onset;
        if (recording < 0 || onset == samples.size() || synth->audioRestarts() != before + 1) {
            std::printf("%s: run %d not heard again (restarts %d)\n", what, run,
                        synth->audioRestarts() - before);
            continue;
        }
        times.push_back(recording + qint64(onset * 1000 / PulseServer::RecordRate));
    }
    if (!times.empty())
        report(what, times);
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
    using Kind = PulseServer::Kind;
    using Start = PulseServer::Start;
    crashToHeardAgain(Kind::PulseAudio, Start::ByItself, "PulseAudio crash -> heard again");
    crashToHeardAgain(Kind::PulseAudio, Start::OnKnock, "socket-activated PulseAudio, same");
    crashToHeardAgain(Kind::PipeWire, Start::ByItself, "pipewire-pulse crash -> heard again");
    crashToHeardAgain(Kind::PipeWire, Start::OnKnock, "socket-activated pipewire-pulse, same");
    return 0;
}
