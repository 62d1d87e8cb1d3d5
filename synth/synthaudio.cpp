// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthaudio.h"

#include "audioenvironment.h"
#include "quietlogs.h"

#include <unistd.h>

#ifdef QVB_HAVE_SDL2
#include <SDL.h>
#endif

namespace {

const char* const DriverOrder[] = {"pulseaudio", "alsa", "jack", "sdl2"};

} // namespace

SynthAudio::SynthAudio(fluid_synth_t* synth, std::string name)
    : m_synth(synth), m_name(std::move(name)) {}

SynthAudio::~SynthAudio() {
    if (m_driver)
        delete_fluid_audio_driver(m_driver); // joins its thread: no period is asked for after this
#ifdef QVB_HAVE_SDL2
    if (m_sdlAudio)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
#endif
}

void SynthAudio::configure(fluid_settings_t* settings) {
    fluid_settings_setnum(settings, "synth.sample-rate", SampleRate);
    fluid_settings_setint(settings, "audio.periods", Periods);
    fluid_settings_setint(settings, "audio.period-size", PeriodSize);
    fluid_settings_setstr(settings, "audio.jack.id", "QVB-Zaradariveda");
    fluid_settings_setint(settings, "audio.jack.autoconnect", 1);
    fluid_settings_setstr(settings, "audio.pulseaudio.media-role", "game");
}

double SynthAudio::bufferLatencyMs(fluid_settings_t* settings, const std::string& driver) {
    int periods = 0;
    int periodSize = 0;
    double rate = 0;
    fluid_settings_getint(settings, "audio.periods", &periods);
    fluid_settings_getint(settings, "audio.period-size", &periodSize);
    fluid_settings_getnum(settings, "synth.sample-rate", &rate);
    if (holdsOnePeriod(driver))
        periods = 1;
    return rate > 0 ? 1000.0 * periods * periodSize / rate : 0.0;
}

std::unique_ptr<SynthAudio> SynthAudio::startNamed(fluid_settings_t* settings, fluid_synth_t* synth,
                                                   const std::string& name) {
    if (name == "jack" && !jackServerMayRun())
        return nullptr;
    if (fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK)
        return nullptr; // not compiled into this FluidSynth
    fluid_settings_setint(settings, "audio.period-size",
                          holdsOnePeriod(name) ? Periods * PeriodSize : PeriodSize);
    bool sdlAudio = false;
    if (name == "sdl2") {
#ifdef QVB_HAVE_SDL2
        // FluidSynth leaves SDL's audio to the program.
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return nullptr;
        sdlAudio = true;
#else
        return nullptr;
#endif
    }
    std::unique_ptr<SynthAudio> audio(new SynthAudio(synth, name));
    audio->m_sdlAudio = sdlAudio; // from here on the destructor quits SDL's audio
    audio->m_heartbeat = playsThroughServer(name);
    audio->m_driver = audio->m_heartbeat
                          ? new_fluid_audio_driver2(settings, &SynthAudio::render, audio.get())
                          : new_fluid_audio_driver(settings, synth);
    if (!audio->m_driver)
        return nullptr;
    return audio;
}

int SynthAudio::render(void* self, int frames, int, float*[], int nout, float* out[]) {
    auto* audio = static_cast<SynthAudio*>(self);
    if (audio->m_beats.fetch_add(1, std::memory_order_relaxed) == 0)
        audio->m_thread.store(::gettid(), std::memory_order_relaxed);
    if (nout < 2)
        return FLUID_FAILED;
    // As the driver renders by itself: fluid_synth_process() leaves out the
    // limiter on the output, which FluidSynth runs only on this way.
    return fluid_synth_write_float(audio->m_synth, frames, out[0], 0, 1, out[1], 0, 1);
}

bool SynthAudio::threadEnded() const {
    const pid_t thread = m_thread.load(std::memory_order_relaxed);
    // A thread that has ended leaves the process's task list at once, even
    // before FluidSynth joins it.
    return thread != 0 &&
           ::access(("/proc/self/task/" + std::to_string(thread)).c_str(), F_OK) != 0;
}

std::unique_ptr<SynthAudio> SynthAudio::startQuietly(fluid_settings_t* settings,
                                                     fluid_synth_t* synth,
                                                     const std::string& name) {
    QuietWhileTrying quiet;
    return startNamed(settings, synth, name);
}

std::unique_ptr<SynthAudio> SynthAudio::start(fluid_settings_t* settings, fluid_synth_t* synth,
                                              const std::string& choice) {
    prepareAudioLibraries();
    installQuietableLogs();
    const std::string filePrefix = "file:";
    if (choice.compare(0, filePrefix.size(), filePrefix) == 0) {
        const std::string path = choice.substr(filePrefix.size());
        if (path.empty() ||
            fluid_settings_setstr(settings, "audio.file.name", path.c_str()) != FLUID_OK)
            return nullptr;
        fluid_settings_setstr(settings, "audio.file.type", "wav");
        auto audio = startNamed(settings, synth, "file");
        if (audio)
            audio->m_name = choice;
        return audio;
    }
    if (!choice.empty())
        return startNamed(settings, synth, choice);

    QuietWhileTrying quiet;
    for (const char* name : DriverOrder) {
        if (auto audio = startNamed(settings, synth, name))
            return audio;
    }
    return nullptr;
}
