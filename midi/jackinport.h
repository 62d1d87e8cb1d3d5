// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <jack/jack.h>
#include <memory>
#include <string>

#include "inputgate.h"
#include "midiplatform.h"

// An input from a JACK MIDI port, made with JACK itself. Its one port is
// registered before the client is activated, and closing only closes the
// client: libjack walks a client's list of ports on its notification thread
// whenever the server recomputes latencies (as it does when any other client
// comes or goes), and a port registered or unregistered on an active client
// changes that list under it. RtMidi's JACK input does both, and the program
// crashed now and then when it closed its input just as an instrument went.
class JackInPort final : public MidiInPort {
public:
    // nullptr when no server answers or the port `source` is not there.
    // `started`: it delivers from its connection on, as if start() had been called.
    static std::unique_ptr<JackInPort> open(const std::string& source, const std::string& client,
                                            MidiInProc proc, uintptr_t instance,
                                            bool started = false);
    ~JackInPort() override;

    JackInPort(const JackInPort&) = delete;
    JackInPort& operator=(const JackInPort&) = delete;

    void reset() override { m_gate.stop(); }
    void start() override { m_gate.start(); }
    void stop() override { m_gate.stop(); }
    // The port stays ours when the instrument goes; only its link shows it.
    bool reachesDevice() const override;

private:
    JackInPort(MidiInProc proc, uintptr_t instance) : m_gate(proc, instance) {}
    // JACK's real-time thread: hands each event of the period to the gate.
    static int process(jack_nframes_t frames, void* self);
    static void serverGone(void* self);

    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    InputGate m_gate;
    std::atomic<bool> m_serverAlive{true};
};
