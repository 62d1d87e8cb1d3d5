// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <fluidsynth.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "synthaudio.h"

// Keeps the built-in synthesizer sounding while the sound server comes and
// goes (PipeWire restarts after an update, a crash, a change of headphones).
// An audio driver whose server has gone never plays again. A watch thread of
// its own looks at the driver a few times a second: when the driver's thread
// has ended (it gives up at the first write the server does not take), or its
// heartbeat (SynthAudio::beats) has stopped, the driver is deleted and the
// same server's driver is tried again until it plays. With the desktop's
// service manager holding the server's socket, that knock is what starts the
// new server. Notes sent meanwhile are dropped, not kept for later.
class SynthAudioKeeper {
public:
    // How often the driver is looked at, and a dead driver tried again. A
    // driver whose thread lives on is given up after LooksSilent looks
    // without a beat (half a second, fifty periods: a server that hangs): a
    // starved machine may hold the driver's thread back for a while, and
    // giving up a live server cuts the sounding note.
    static constexpr int LookMs = 100;
    static constexpr int LooksSilent = 5;
    // Until the stream has started (the first write has returned): the
    // server may take more than a second to start it, and ten to start
    // itself on its socket's first knock.
    static constexpr int LooksSilentAtStart = 100;

    // As SynthAudio::start. Drivers without a heartbeat (they talk to no
    // server: ALSA, SDL, a WAV file) are not watched. `synthLock` is the
    // synthesizer's lock (see FluidSynthOut): the keeper's own messages to
    // the synthesizer hold it.
    static std::unique_ptr<SynthAudioKeeper> start(fluid_settings_t* settings, fluid_synth_t* synth,
                                                   const std::string& choice,
                                                   std::mutex& synthLock);
    ~SynthAudioKeeper(); // the watch, then the driver

    SynthAudioKeeper(const SynthAudioKeeper&) = delete;
    SynthAudioKeeper& operator=(const SynthAudioKeeper&) = delete;

    // The driver playing now; empty while none does.
    std::string driverName() const;
    // False from a dead driver's end until its replacement plays: notes
    // sent meanwhile would only fill the synthesizer's queue, which nobody
    // empties then, and be cut when the server is back.
    bool playing() const { return m_playing.load(std::memory_order_relaxed); }
    // How often a dead driver has been replaced.
    int restarts() const { return m_restarts.load(); }

private:
    SynthAudioKeeper(fluid_settings_t* settings, fluid_synth_t* synth, std::mutex& synthLock);
    void silence(); // every note off at once, under the synthesizer's lock
    void watch();
    bool restart(); // on the watch thread, while no driver plays
    void flushToSilence();
    static constexpr int FlushBlock = 512;
    static constexpr int FlushBlocks = 16; // 8192 frames: longer than the limiter's release

    fluid_settings_t* const m_settings;
    fluid_synth_t* const m_synth;
    std::mutex& m_synthLock;
    std::atomic<int> m_restarts{0};
    std::atomic<bool> m_playing{true};

    mutable std::mutex m_mutex; // m_audio, m_ending
    std::unique_ptr<SynthAudio> m_audio;
    bool m_ending = false;
    std::condition_variable m_wake;
    std::thread m_watch;
    // The watch thread's own (set before it starts).
    std::string m_server; // the driver of the sound server in use
    std::uint64_t m_lastBeats = 0;
    int m_silentLooks = 0;
};
