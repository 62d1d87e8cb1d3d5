// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstdint>
#include <fluidsynth.h>
#include <memory>
#include <string>
#include <sys/types.h>

// The audio driver that plays the built-in synthesizer.
class SynthAudio {
public:
    // Ten milliseconds of buffer: 2 periods of 240 frames at 48 kHz. A period of
    // whole milliseconds also keeps the WAV file driver at the pace of real time.
    // PulseAudio's driver asks the server to hold a single period, so it plays
    // the ten milliseconds as one period: with half of them, a machine that
    // wakes its threads a few milliseconds late leaves gaps in the sound.
    static constexpr int SampleRate = 48000;
    static constexpr int Periods = 2;
    static constexpr int PeriodSize = 240;

    // Writes the buffer set-up into the settings; before the synth is made.
    static void configure(fluid_settings_t* settings);
    // The sound buffered by `driver` with these settings, in milliseconds.
    static double bufferLatencyMs(fluid_settings_t* settings, const std::string& driver);

    // Starts the driver `choice` names: empty for the first of pulseaudio
    // (which PipeWire serves too), alsa, jack and sdl2 that starts; a driver
    // name; or "file:PATH" for a WAV file. nullptr when none starts.
    static std::unique_ptr<SynthAudio> start(fluid_settings_t* settings, fluid_synth_t* synth,
                                             const std::string& choice);
    // Only the driver `name`, and without a word on the terminal when it fails:
    // a sound server that went is waited for with its own driver alone. Raw
    // ALSA or SDL would take the sound card from the server when it returns.
    static std::unique_ptr<SynthAudio> startQuietly(fluid_settings_t* settings,
                                                    fluid_synth_t* synth, const std::string& name);
    ~SynthAudio(); // the driver first, then SDL's audio

    SynthAudio(const SynthAudio&) = delete;
    SynthAudio& operator=(const SynthAudio&) = delete;

    const std::string& driverName() const { return m_name; }

    // Drivers that play through a sound server (PulseAudio, which PipeWire
    // serves too, and JACK) have a heartbeat: the periods they have asked the
    // synthesizer for. It stops when the server goes: PulseAudio's driver
    // gives up at the first write the server does not take, and a JACK
    // server that went calls nobody any more. The socket tells nothing: the
    // desktop's service manager keeps it, with its inode, across the crash.
    // The first write waits until the server has started the stream (more
    // than a second here); only from the second beat on is the sound flowing.
    bool hasHeartbeat() const { return m_heartbeat; }
    std::uint64_t beats() const { return m_beats.load(std::memory_order_relaxed); }
    // The driver's thread has ended: it gave up on its server (PulseAudio's
    // does at once, at the first write the server does not take, also while
    // the stream is still starting). False until it has asked for sound once.
    bool threadEnded() const;

private:
    SynthAudio(fluid_synth_t* synth, std::string name);
    static bool holdsOnePeriod(const std::string& driver) { return driver == "pulseaudio"; }
    static bool playsThroughServer(const std::string& driver) {
        return driver == "pulseaudio" || driver == "jack";
    }
    static std::unique_ptr<SynthAudio> startNamed(fluid_settings_t* settings, fluid_synth_t* synth,
                                                  const std::string& name);

    // The driver's thread asks for each period here.
    static int render(void* self, int frames, int nfx, float* fx[], int nout, float* out[]);

    fluid_synth_t* const m_synth;
    fluid_audio_driver_t* m_driver = nullptr;
    bool m_sdlAudio = false;
    bool m_heartbeat = false;
    std::atomic<std::uint64_t> m_beats{0};
    std::atomic<pid_t> m_thread{0}; // the driver's thread, as the kernel numbers it
    std::string m_name;
};
