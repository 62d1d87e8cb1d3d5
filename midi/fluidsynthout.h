#pragma once
#include <fluidsynth.h>
#include <memory>
#include <string>

#include "midiplatform.h"
#include "synthaudio.h"
#include "synthconfig.h"

// The built-in General MIDI synthesizer as an output device: FluidSynth with
// a SoundFont, played by an audio driver (or, for checking what messages
// sound like, rendered on request without any audio device).
class FluidSynthOut final : public MidiOutPort {
public:
    // nullptr when no SoundFont loads or no audio driver starts.
    static std::unique_ptr<FluidSynthOut> open(const SynthConfig& config);
    // Without an audio driver; render() makes the sound. nullptr when no SoundFont loads.
    static std::unique_ptr<FluidSynthOut> openOffline(const SynthConfig& config);
    ~FluidSynthOut() override; // driver, synth, settings, in that order

    FluidSynthOut(const FluidSynthOut&) = delete;
    FluidSynthOut& operator=(const FluidSynthOut&) = delete;

    void sendShort(uint32_t message) override;

    // Offline only: the next `frames` stereo frames; false with an audio driver.
    bool render(float* left, float* right, int frames);

    double sampleRate() const;
    double bufferLatencyMs() const { return SynthAudio::bufferLatencyMs(m_settings); }
    const std::string& soundFont() const { return m_soundFont; }
    // The audio driver playing the synthesizer; empty offline.
    std::string driverName() const { return m_audio ? m_audio->driverName() : std::string(); }

private:
    FluidSynthOut() = default;
    static std::unique_ptr<FluidSynthOut> create(const SynthConfig& config);
    bool loadSoundFont(const SynthConfig& config);
    bool tryLoad(const std::string& path);

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    std::unique_ptr<SynthAudio> m_audio;
    std::string m_soundFont;
};
