// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthaudiokeeper.h"

#include <chrono>

SynthAudioKeeper::SynthAudioKeeper(fluid_settings_t* settings, fluid_synth_t* synth,
                                   std::mutex& synthLock)
    : m_settings(settings), m_synth(synth), m_synthLock(synthLock) {}

std::unique_ptr<SynthAudioKeeper> SynthAudioKeeper::start(fluid_settings_t* settings,
                                                          fluid_synth_t* synth,
                                                          const std::string& choice,
                                                          std::mutex& synthLock) {
    std::unique_ptr<SynthAudioKeeper> keeper(new SynthAudioKeeper(settings, synth, synthLock));
    keeper->m_audio = SynthAudio::start(settings, synth, choice);
    if (!keeper->m_audio)
        return nullptr; // nothing plays at start: the program says so
    if (keeper->m_audio->hasHeartbeat()) {
        keeper->m_server = keeper->m_audio->driverName();
        keeper->m_watch = std::thread([k = keeper.get()] { k->watch(); });
    }
    return keeper;
}

SynthAudioKeeper::~SynthAudioKeeper() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_all();
    if (m_watch.joinable())
        m_watch.join();
    m_audio.reset();
}

std::string SynthAudioKeeper::driverName() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_audio ? m_audio->driverName() : std::string();
}

void SynthAudioKeeper::watch() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, std::chrono::milliseconds(LookMs));
        if (m_ending)
            return;
        if (!m_audio) {
            lock.unlock();
            restart();
            lock.lock();
            continue;
        }
        if (!m_audio->threadEnded()) {
            const std::uint64_t beats = m_audio->beats();
            if (beats != m_lastBeats) {
                m_lastBeats = beats;
                m_silentLooks = 0;
                continue;
            }
            // A driver still waiting on a server that takes no more sound.
            if (++m_silentLooks < (beats < 2 ? LooksSilentAtStart : LooksSilent))
                continue;
        }
        // The server went: the driver's thread has stopped asking for sound
        // and would never play again, even with a new server on the socket.
        m_playing = false;
        auto dead = std::move(m_audio);
        lock.unlock();
        dead.reset(); // joins the driver's thread, outside the lock
        lock.lock();
    }
}

void SynthAudioKeeper::flushToSilence() {
    // The synthesizer keeps part of a rendered block, and the limiter on its
    // output a little of what it was playing when the server went: played
    // first to the new server, that would be a click of the old note. Silence
    // long enough for the limiter to let go clears both; no driver runs now.
    float left[FlushBlock];
    float right[FlushBlock];
    for (int i = 0; i < FlushBlocks; ++i)
        fluid_synth_write_float(m_synth, FlushBlock, left, 0, 1, right, 0, 1);
}

void SynthAudioKeeper::silence() {
    std::lock_guard<std::mutex> lock(m_synthLock);
    fluid_synth_all_sounds_off(m_synth, -1);
}

bool SynthAudioKeeper::restart() {
    // Notes played to nobody meanwhile would sound late: they are dropped.
    silence();
    flushToSilence();
    auto audio = SynthAudio::startQuietly(m_settings, m_synth, m_server);
    if (!audio)
        return false;
    // A note may have come in while the driver was being opened, with the
    // server already back: it too was played to nobody.
    silence();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_audio = std::move(audio);
    m_lastBeats = 0;
    m_silentLooks = 0;
    m_restarts.fetch_add(1);
    m_playing = true;
    return true;
}
