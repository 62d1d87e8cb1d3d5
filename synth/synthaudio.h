// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <fluidsynth.h>
#include <memory>
#include <string>

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
    ~SynthAudio(); // the driver first, then SDL's audio

    SynthAudio(const SynthAudio&) = delete;
    SynthAudio& operator=(const SynthAudio&) = delete;

    const std::string& driverName() const { return m_name; }

private:
    SynthAudio(fluid_audio_driver_t* driver, bool sdlAudio, std::string name);
    static bool holdsOnePeriod(const std::string& driver) { return driver == "pulseaudio"; }
    static std::unique_ptr<SynthAudio> startNamed(fluid_settings_t* settings, fluid_synth_t* synth,
                                                  const std::string& name);

    fluid_audio_driver_t* m_driver;
    bool m_sdlAudio;
    std::string m_name;
};
