// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthaudiokeeper.h"

#include <chrono>

#include "audioenvironment.h"

SynthAudioKeeper::SynthAudioKeeper(fluid_settings_t* settings, fluid_synth_t* synth,
                                   std::string choice)
    : m_settings(settings), m_synth(synth), m_choice(std::move(choice)) {}

std::unique_ptr<SynthAudioKeeper> SynthAudioKeeper::start(fluid_settings_t* settings,
                                                          fluid_synth_t* synth,
                                                          const std::string& choice) {
    std::unique_ptr<SynthAudioKeeper> keeper(new SynthAudioKeeper(settings, synth, choice));
    keeper->m_audio = SynthAudio::start(settings, synth, choice);
    if (!keeper->m_audio)
        return nullptr; // nothing plays at start: the program says so
    keeper->markServer();
    if (!keeper->m_socket.empty())
        keeper->m_watch = std::thread([k = keeper.get()] { k->watch(); });
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

void SynthAudioKeeper::markServer() {
    // The driver has just reached the server: whatever is at the socket now
    // is that server, and no knock is needed to say so.
    m_socket = m_audio ? soundServerSocket(m_audio->driverName()) : std::string();
    m_mark = soundServerMark(m_socket, false);
    m_looks = 0;
    m_unanswered = 0;
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
        if (m_socket.empty() || m_mark == 0)
            return; // a driver that talks to no server, or not through this socket
        const bool knock = m_unanswered > 0 || ++m_looks % KnockEvery == 0;
        lock.unlock();
        const ino_t there = soundServerMark(m_socket, false);
        const bool answered = !knock || (there != 0 && soundServerMark(m_socket, true) == there);
        lock.lock();
        if (there == m_mark && answered) {
            m_unanswered = 0;
            continue;
        }
        if (there == m_mark && ++m_unanswered < KnocksUnanswered)
            continue;
        // The server went, or another one has taken its place: the driver
        // still talks to the old one and would never play again.
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

bool SynthAudioKeeper::restart() {
    // Notes played to nobody meanwhile would sound late: they are dropped.
    fluid_synth_all_sounds_off(m_synth, -1);
    flushToSilence();
    auto audio = SynthAudio::start(m_settings, m_synth, m_choice);
    if (!audio)
        return false;
    // A note may have come in while the driver was being opened, with the
    // server already back: it too was played to nobody.
    fluid_synth_all_sounds_off(m_synth, -1);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_audio = std::move(audio);
    markServer();
    m_restarts.fetch_add(1);
    return true;
}
