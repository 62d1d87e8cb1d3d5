// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <fluidsynth.h>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>

#include "synthaudio.h"

// Keeps the built-in synthesizer sounding while the sound server comes and
// goes (PipeWire restarts after an update, a crash, a change of headphones).
// An audio driver whose server has gone never plays again, so a watch
// thread of its own looks at the server's socket a few times a second: when
// nothing answers there any more, or a new server has made the socket anew,
// the driver is deleted and the drivers are tried again in the same order
// until one plays. Notes sent meanwhile are dropped, not kept for later.
class SynthAudioKeeper {
public:
    // How often the server's socket is looked at, and a dead driver tried
    // again; every KnockEvery-th look also asks whether anyone answers. A
    // server that does not answer is asked again at the next look, and only
    // given up after KnocksUnanswered in a row: a starved machine may let one
    // knock go wrong, and giving up a live server silences the sounding note.
    static constexpr int LookMs = 200;
    static constexpr int KnockEvery = 5;
    static constexpr int KnocksUnanswered = 2;

    // As SynthAudio::start. Drivers that talk to no server (ALSA, a WAV
    // file) are not watched.
    static std::unique_ptr<SynthAudioKeeper> start(fluid_settings_t* settings,
                                                   fluid_synth_t* synth,
                                                   const std::string& choice);
    ~SynthAudioKeeper(); // the watch, then the driver

    SynthAudioKeeper(const SynthAudioKeeper&) = delete;
    SynthAudioKeeper& operator=(const SynthAudioKeeper&) = delete;

    // The driver playing now; empty while none does.
    std::string driverName() const;
    // How often a dead driver has been replaced.
    int restarts() const { return m_restarts.load(); }

private:
    SynthAudioKeeper(fluid_settings_t* settings, fluid_synth_t* synth, std::string choice);
    void watch();
    bool restart(); // on the watch thread
    void flushToSilence();
    static constexpr int FlushBlock = 512;
    static constexpr int FlushBlocks = 16; // 8192 frames: longer than the limiter's release
    // The server the driver plays to now; empty when it talks to none.
    void markServer();

    fluid_settings_t* const m_settings;
    fluid_synth_t* const m_synth;
    const std::string m_choice;
    std::atomic<int> m_restarts{0};

    mutable std::mutex m_mutex; // m_audio, m_ending
    std::unique_ptr<SynthAudio> m_audio;
    bool m_ending = false;
    std::condition_variable m_wake;
    std::thread m_watch;
    // The watch thread's own.
    std::string m_socket;
    ino_t m_mark = 0;
    int m_looks = 0;
    int m_unanswered = 0; // knocks in a row nobody answered
};
