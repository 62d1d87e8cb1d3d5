// SPDX-License-Identifier: GPL-3.0-or-later
#include "jackinport.h"

#include <jack/midiport.h>

#include "audioenvironment.h"

std::unique_ptr<JackInPort> JackInPort::open(const std::string& source, const std::string& client,
                                             MidiInProc proc, uintptr_t instance,
                                             bool started) {
    prepareAudioLibraries();
    if (!proc || !jackServerMayRun())
        return nullptr;
    std::unique_ptr<JackInPort> in(new JackInPort(proc, instance));
    jack_status_t status{};
    in->m_client = jack_client_open(client.c_str(), JackNoStartServer, &status);
    if (!in->m_client)
        return nullptr;
    in->m_port =
        jack_port_register(in->m_client, "Eingang", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!in->m_port)
        return nullptr;
    if (started)
        in->m_gate.start(); // a note played just after the connection counts
    jack_on_shutdown(in->m_client, &JackInPort::serverGone, in.get());
    if (jack_set_process_callback(in->m_client, &JackInPort::process, in.get()) != 0 ||
        jack_activate(in->m_client) != 0)
        return nullptr;
    if (jack_connect(in->m_client, source.c_str(), jack_port_name(in->m_port)) != 0)
        return nullptr;
    return in;
}

JackInPort::~JackInPort() {
    m_gate.stop();
    if (m_client)
        jack_client_close(m_client); // deactivates, then ends both of its threads
}

bool JackInPort::reachesDevice() const {
    return m_serverAlive.load(std::memory_order_acquire) && jack_port_connected(m_port) > 0;
}

int JackInPort::process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackInPort*>(arg);
    void* buffer = jack_port_get_buffer(self->m_port, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0)
            self->m_gate.pass(self, event.buffer, event.size);
    }
    return 0;
}

void JackInPort::serverGone(void* arg) {
    static_cast<JackInPort*>(arg)->m_serverAlive.store(false, std::memory_order_release);
}
