// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthaudio.h"

#include "audioenvironment.h"

#ifdef QVB_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#ifdef QVB_HAVE_SDL2
#include <SDL.h>
#endif

namespace {

const char* const DriverOrder[] = {"pulseaudio", "alsa", "jack", "sdl2"};

#ifdef QVB_HAVE_ALSA
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// While the drivers are tried in turn, each one that is missing would print
// its failure: on a machine with only ALSA, PulseAudio's. The trial is quiet;
// a driver the user names explicitly keeps its say.
class QuietTrial {
public:
    QuietTrial() {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            m_previous[level] = fluid_set_log_function(level, nullptr, nullptr);
#ifdef QVB_HAVE_ALSA
        snd_lib_error_set_handler(quietAlsa);
#endif
    }
    ~QuietTrial() {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, m_previous[level], nullptr);
#ifdef QVB_HAVE_ALSA
        snd_lib_error_set_handler(nullptr);
#endif
    }
    QuietTrial(const QuietTrial&) = delete;
    QuietTrial& operator=(const QuietTrial&) = delete;

private:
    fluid_log_function_t m_previous[LAST_LOG_LEVEL] = {};
};

} // namespace

SynthAudio::SynthAudio(fluid_audio_driver_t* driver, bool sdlAudio, std::string name)
    : m_driver(driver), m_sdlAudio(sdlAudio), m_name(std::move(name)) {}

SynthAudio::~SynthAudio() {
    delete_fluid_audio_driver(m_driver);
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
    fluid_audio_driver_t* driver = new_fluid_audio_driver(settings, synth);
    if (!driver) {
#ifdef QVB_HAVE_SDL2
        if (sdlAudio)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
#endif
        return nullptr;
    }
    return std::unique_ptr<SynthAudio>(new SynthAudio(driver, sdlAudio, name));
}

std::unique_ptr<SynthAudio> SynthAudio::start(fluid_settings_t* settings, fluid_synth_t* synth,
                                              const std::string& choice) {
    prepareAudioLibraries();
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

    QuietTrial quiet;
    for (const char* name : DriverOrder) {
        if (auto audio = startNamed(settings, synth, name))
            return audio;
    }
    return nullptr;
}
