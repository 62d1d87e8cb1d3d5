// SPDX-License-Identifier: GPL-3.0-or-later
#include "fluidsynthout.h"

#include <algorithm>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "quietlogs.h"
#include "shortmessage.h"
#include "soundfontsearch.h"
#include "synthlimiter.h"

namespace {
// One note at a time, a preview or a reference note over it: far below
// FluidSynth's 256 voices, which cost time to set up at every start.
constexpr int Polyphony = 64;

} // namespace

FluidSynthOut::~FluidSynthOut() {
    m_closing = true; // a measurement still running stops at its next note
    if (m_loader.joinable())
        m_loader.join(); // FluidSynth must not lose its synth in the middle of a read
    m_audio.reset();
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_keyCut)
        delete_fluid_mod(m_keyCut);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

std::unique_ptr<FluidSynthOut> FluidSynthOut::create() {
    installQuietableLogs(); // before FluidSynth's first thread
    std::unique_ptr<FluidSynthOut> out(new FluidSynthOut);
    out->m_settings = new_fluid_settings();
    if (!out->m_settings)
        return nullptr;
    fluid_settings_t* s = out->m_settings;
    SynthAudio::configure(s);
    fluid_settings_setint(s, "synth.polyphony", Polyphony);
    // Samples are read when an instrument is chosen, not all at start-up:
    // faster to open, and a big SoundFont takes a fraction of the memory
    // (FluidR3: some 70 instead of 190 MiB). The first note of a newly chosen
    // instrument waits for its samples, some 15 ms at most from a cold disk.
    fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
    // "Ruhe jetzt!" must mean silence: a reverb or chorus tail would outlast
    // All Sound Off. A dry tone is also the clearer one to recognise.
    fluid_settings_setint(s, "synth.reverb.active", 0);
    fluid_settings_setint(s, "synth.chorus.active", 0);
    fluid_settings_setint(s, "synth.lock-memory", 0);
    SynthLimiter::prepare(s);
    out->m_synth = new_fluid_synth(s);
    if (!out->m_synth)
        return nullptr;
    // The key's own number is the modulator's source, so its amount gives any
    // attenuation for the key about to be played.
    out->m_keyCut = new_fluid_mod();
    if (!out->m_keyCut)
        return nullptr;
    fluid_mod_set_source1(out->m_keyCut, FLUID_MOD_KEY,
                          FLUID_MOD_GC | FLUID_MOD_LINEAR | FLUID_MOD_UNIPOLAR | FLUID_MOD_POSITIVE);
    fluid_mod_set_source2(out->m_keyCut, FLUID_MOD_NONE, 0);
    fluid_mod_set_dest(out->m_keyCut, GEN_ATTENUATION);
    // A wrong click's note and its correction together stay below clipping.
    if (!SynthLimiter::attach(out->m_synth))
        std::fputs("QVB-Zaradariveda: the built-in synthesizer plays without its limiter; notes "
                   "sounding together may be distorted.\n",
                   stderr);
    return out;
}

std::unique_ptr<FluidSynthOut> FluidSynthOut::open(const SynthConfig& config) {
    if (!anySoundFontAt(config.soundFont, config.soundFontRoot))
        return nullptr;
    auto out = create();
    if (!out)
        return nullptr;
    out->m_audio =
        SynthAudioKeeper::start(out->m_settings, out->m_synth, config.audio, out->m_mutex);
    if (!out->m_audio)
        return nullptr;
    out->loadInBackground(config);
    return out;
}

std::unique_ptr<FluidSynthOut> FluidSynthOut::openOffline(const SynthConfig& config) {
    auto out = create();
    if (!out || !out->loadSoundFont(config))
        return nullptr;
    return out;
}

void FluidSynthOut::loadInBackground(const SynthConfig& config) {
    m_loading = true;
    m_measuring = true;
    // Read here: FluidSynth's settings are not to be read beside the messages.
    const double rate = sampleRate();
    m_loader = std::thread([this, config, rate] {
        const bool loaded = readSoundFont(config);
        if (!loaded)
            std::fputs("QVB-Zaradariveda: no SoundFont could be read; the built-in synthesizer "
                       "stays silent.\n",
                       stderr);
        {
            // What was sent meanwhile sounds now, before the instruments are measured.
            std::lock_guard<std::mutex> lock(m_mutex);
            if (loaded)
                m_waiting.handOn([this](uint32_t message) { apply(message); });
            else
                m_waiting.drop();
            m_loading = false;
        }
        m_loaded.notify_all();
        // The gains of the first keys play while every other key is measured.
        ProgramLevels levels;
        if (loaded)
            levels = ProgramLevels::measure(m_soundFont, rate, &m_closing, &m_mutex,
                                            ProgramLevels::Keys::Every,
                                            [this](const ProgramLevels& first) {
                                                std::lock_guard<std::mutex> lock(m_mutex);
                                                useLevels(first);
                                            });
        if (levels.isMeasured()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            useLevels(levels);
        }
#ifdef __GLIBC__
        // Reading and measuring a SoundFont leave much freed scratch memory behind.
        malloc_trim(0);
#endif
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_measuring = false;
        }
        m_loaded.notify_all();
    });
}

std::string FluidSynthOut::soundFont() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_loaded.wait(lock, [this] { return !m_loading; });
    return m_soundFont;
}

bool FluidSynthOut::tryLoad(const std::string& path) {
    if (!looksLikeSoundFont(path))
        return false;
    if (fluid_synth_sfload(m_synth, path.c_str(), 1) == FLUID_FAILED)
        return false;
    m_soundFont = path;
    return true;
}

bool FluidSynthOut::loadSoundFont(const SynthConfig& config) {
    if (!readSoundFont(config))
        return false;
    useLevels(ProgramLevels::measure(m_soundFont, sampleRate(), &m_closing, nullptr,
                                     ProgramLevels::Keys::Every));
    return true;
}

void FluidSynthOut::useLevels(const ProgramLevels& levels) {
    m_levels = levels;
    fluid_synth_set_gain(m_synth, m_levels.gain(m_program));
}

bool FluidSynthOut::readSoundFont(const SynthConfig& config) {
    if (tryLoad(config.soundFont))
        return true;
    // Only searched when the default is missing or broken.
    for (const std::string& path : soundFontsUnder(config.soundFontRoot)) {
        if (!sameFile(path, config.soundFont) && tryLoad(path))
            return true;
    }
    return false;
}

ProgramLevels FluidSynthOut::levels() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_loaded.wait(lock, [this] { return !m_loading && !m_measuring; });
    return m_levels;
}

void FluidSynthOut::sendShort(uint32_t message) {
    // Under the lock: the measurement's gains may come in from the loader at any time.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_loading) {
        m_waiting.keep(message);
        return;
    }
    apply(message);
}

void FluidSynthOut::apply(uint32_t message) {
    uint8_t bytes[3];
    unpackShortMessage(message, bytes);
    const uint8_t status = bytes[0];
    if (status < 0x80 || status >= 0xF0)
        return; // system messages mean nothing to the synthesizer
    const int channel = status & 0x0F;
    const int data1 = bytes[1] & 0x7F;
    const int data2 = bytes[2] & 0x7F;
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(m_synth, channel, data1);
        break;
    case 0x90:
        if (data2 == 0) {
            fluid_synth_noteoff(m_synth, channel, data1);
        } else if (m_audio && !m_audio->playing()) {
            // The sound server is away: the note is dropped, not played late.
        } else {
            cutKey(channel, data1);
            fluid_synth_noteon(m_synth, channel, data1, data2);
        }
        break;
    case 0xA0:
        fluid_synth_key_pressure(m_synth, channel, data1, data2);
        break;
    case 0xB0: // All Sound Off (120) among them
        fluid_synth_cc(m_synth, channel, data1, data2);
        break;
    case 0xC0:
        fluid_synth_program_change(m_synth, channel, data1);
        // The program plays on channel 1 alone; the gain is the synthesizer's.
        if (channel == 0) {
            m_program = data1;
            fluid_synth_set_gain(m_synth, m_levels.gain(m_program));
        }
        break;
    case 0xD0:
        fluid_synth_channel_pressure(m_synth, channel, data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(m_synth, channel, data1 | (data2 << 7));
        break;
    }
}

void FluidSynthOut::cutKey(int channel, int key) {
    // The source gives key / 128 of the amount, in centibels; key 0 cannot be cut.
    const double cut = channel == 0 && key > 0 ? m_levels.keyCutDb(m_program, key) : 0.0;
    const double amount = cut * 10.0 * 128.0 / std::max(key, 1);
    if (amount == m_keyCutAmount)
        return;
    fluid_mod_set_amount(m_keyCut, amount);
    if (fluid_synth_add_default_mod(m_synth, m_keyCut, FLUID_SYNTH_OVERWRITE) == FLUID_OK)
        m_keyCutAmount = amount;
}

bool FluidSynthOut::render(float* left, float* right, int frames) {
    if (m_audio || frames < 0)
        return false;
    return fluid_synth_write_float(m_synth, frames, left, 0, 1, right, 0, 1) == FLUID_OK;
}

double FluidSynthOut::sampleRate() const {
    double rate = 0;
    fluid_settings_getnum(m_settings, "synth.sample-rate", &rate);
    return rate;
}
