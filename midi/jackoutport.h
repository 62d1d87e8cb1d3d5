// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <jack/jack.h>
#include <jack/ringbuffer.h>
#include <memory>
#include <string>

#include "midiplatform.h"

// An output to a JACK MIDI port, made with JACK itself: RtMidi's JACK output
// waits in a loop for room in its buffer, which never comes once the server
// has gone, so the program would hang at the next note. Here a message that
// finds no room, or no server, is dropped.
class JackOutPort final : public MidiOutPort {
public:
    // nullptr when no server answers or the port `target` is not there.
    static std::unique_ptr<JackOutPort> open(const std::string& target, const std::string& client);
    ~JackOutPort() override;

    JackOutPort(const JackOutPort&) = delete;
    JackOutPort& operator=(const JackOutPort&) = delete;

    void sendShort(uint32_t message) override;
    // The port stays ours when the instrument goes; only its link shows it.
    bool reachesDevice() const override;

private:
    JackOutPort() = default;
    // JACK's real-time thread: moves the waiting messages into the port's buffer.
    static int process(jack_nframes_t frames, void* self);
    static void serverGone(void* self);

    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    jack_ringbuffer_t* m_ring = nullptr;
    std::atomic<bool> m_serverAlive{true};
};
