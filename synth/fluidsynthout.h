// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <fluidsynth.h>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "midioutport.h"
#include "programlevels.h"
#include "synthaudio.h"
#include "synthaudiokeeper.h"
#include "synthconfig.h"
#include "waitingmessages.h"

// The built-in General MIDI synthesizer as an output device: FluidSynth with
// a SoundFont, played by an audio driver (or, for checking what messages
// sound like, rendered on request without any audio device).
//
// With an audio driver the SoundFont is read on a thread of its own once the
// audio runs, so that opening costs only the driver's start; messages sent in
// the meantime wait in order and are played as soon as the instruments are in.
// Once read, the instruments are measured on the same thread (ProgramLevels),
// the messages already playing at FluidSynth's own gain meanwhile,
// and each program change brings its program's gain; a limiter on the output
// (SynthLimiter) takes the peaks of notes sounding together. A second
// measurement, key by key, follows and brings up keys that sound far quieter
// than the rest of their instrument.
class FluidSynthOut final : public MidiOutPort {
public:
    // nullptr when nothing looks like a SoundFont or no audio driver starts.
    static std::unique_ptr<FluidSynthOut> open(const SynthConfig& config);
    // Without an audio driver; render() makes the sound. nullptr when no SoundFont loads.
    static std::unique_ptr<FluidSynthOut> openOffline(const SynthConfig& config);
    ~FluidSynthOut() override; // the SoundFont's reading, driver, synth, settings, in that order

    FluidSynthOut(const FluidSynthOut&) = delete;
    FluidSynthOut& operator=(const FluidSynthOut&) = delete;

    void sendShort(uint32_t message) override;

    // Offline only: the next `frames` stereo frames; false with an audio driver.
    bool render(float* left, float* right, int frames);

    double sampleRate() const;
    double bufferLatencyMs() const { return SynthAudio::bufferLatencyMs(m_settings, driverName()); }
    // Waits until the SoundFont is read; empty when none could be.
    std::string soundFont();
    // The audio driver playing the synthesizer; empty offline.
    std::string driverName() const { return m_audio ? m_audio->driverName() : std::string(); }
    // How often the audio driver was started anew after its server went.
    int audioRestarts() const { return m_audio ? m_audio->restarts() : 0; }
    // Waits until the SoundFont is read and its programs measured.
    ProgramLevels levels();

private:
    FluidSynthOut() = default;
    static std::unique_ptr<FluidSynthOut> create();
    bool loadSoundFont(const SynthConfig& config); // reads it and measures its programs
    bool readSoundFont(const SynthConfig& config);
    void useLevels(const ProgramLevels& levels); // and the current program's gain
    bool tryLoad(const std::string& path);
    void loadInBackground(const SynthConfig& config);
    void apply(uint32_t message);
    void cutKey(int channel, int key); // before its note-on

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    std::unique_ptr<SynthAudioKeeper> m_audio; // plays it again when the server returns
    std::string m_soundFont;
    // Measured once the SoundFont is in (with an audio driver while it already
    // plays, under m_mutex); each program change on channel 1 brings its gain.
    ProgramLevels m_levels;
    int m_program = 0;
    // A key's cut below its program's gain, as an attenuation the synthesizer
    // gives each voice it starts from then on (a note sounding keeps its own).
    fluid_mod_t* m_keyCut = nullptr;
    double m_keyCutAmount = 0;
    bool m_measuring = false;
    std::atomic<bool> m_closing{false};

    // The synthesizer's lock, and the one rule for FluidSynth's threads:
    // - Rendering: one thread at a time renders the synthesizer, and without
    //   this lock: the audio driver's thread while a driver plays, the
    //   keeper's watch thread between two drivers (the old one joined, the
    //   new one not yet made). FluidSynth hands the messages on to its
    //   rendering through a queue of its own; a period held up behind a
    //   measuring step would be a gap in the sound.
    // - Everything else for this synthesizer holds this lock: the messages
    //   (sendShort, the waiting ones handed on, the keeper's silence at a
    //   driver's restart), the gains and the key cut. Reading the SoundFont
    //   is the one call without it: the loader reads alone while m_loading,
    //   the messages wait meanwhile, and FluidSynth's own lock keeps the
    //   read apart from the keeper's silence.
    // - The measuring synthesizer holds this lock for each step (making it,
    //   one note, unmaking it): FluidSynth's calls for two synthesizers must
    //   not run at the same time.
    // - The program makes and closes its synthesizers one after another, on
    //   one thread, and closes each (its reading and measuring joined)
    //   before it makes the next (midi/devicethread.h): two of them never
    //   run FluidSynth's calls at the same time there either.
    // - FluidSynth's process-wide log hooks are set once, before its first
    //   thread, and never swapped (quietlogs.h).
    // While m_loading, sendShort keeps the messages in m_waiting.
    std::mutex m_mutex;
    std::condition_variable m_loaded;
    bool m_loading = false;
    WaitingMessages m_waiting;
    std::thread m_loader;
};
