// SPDX-License-Identifier: GPL-3.0-or-later
#include "jackoutport.h"

#include <jack/midiport.h>

#include "audioenvironment.h"
#include "shortmessage.h"

namespace {
// One waiting message: its length and up to three bytes.
constexpr std::size_t RecordSize = 4;
// Far more than the program ever sends within one JACK period.
constexpr std::size_t RingBytes = 4096;
} // namespace

std::unique_ptr<JackOutPort> JackOutPort::open(const std::string& target,
                                               const std::string& client) {
    prepareAudioLibraries();
    if (!jackServerMayRun())
        return nullptr;
    std::unique_ptr<JackOutPort> out(new JackOutPort);
    jack_status_t status{};
    out->m_client = jack_client_open(client.c_str(), JackNoStartServer, &status);
    if (!out->m_client)
        return nullptr;
    out->m_ring = jack_ringbuffer_create(RingBytes);
    if (!out->m_ring)
        return nullptr;
    out->m_port =
        jack_port_register(out->m_client, "Ausgang", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!out->m_port)
        return nullptr;
    jack_on_shutdown(out->m_client, &JackOutPort::serverGone, out.get());
    if (jack_set_process_callback(out->m_client, &JackOutPort::process, out.get()) != 0 ||
        jack_activate(out->m_client) != 0)
        return nullptr;
    if (jack_connect(out->m_client, jack_port_name(out->m_port), target.c_str()) != 0)
        return nullptr;
    return out;
}

JackOutPort::~JackOutPort() {
    if (m_client)
        jack_client_close(m_client); // stops the process thread first
    if (m_ring)
        jack_ringbuffer_free(m_ring);
}

void JackOutPort::sendShort(uint32_t message) {
    if (!m_serverAlive.load(std::memory_order_acquire))
        return;
    uint8_t record[RecordSize];
    unpackShortMessage(message, record + 1);
    const std::size_t length = shortMessageLength(record[1]);
    if (length == 0 || jack_ringbuffer_write_space(m_ring) < RecordSize)
        return;
    record[0] = static_cast<uint8_t>(length);
    jack_ringbuffer_write(m_ring, reinterpret_cast<const char*>(record), RecordSize);
}

bool JackOutPort::reachesDevice() const {
    return m_serverAlive.load(std::memory_order_acquire) && jack_port_connected(m_port) > 0;
}

int JackOutPort::process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackOutPort*>(arg);
    void* buffer = jack_port_get_buffer(self->m_port, frames);
    jack_midi_clear_buffer(buffer);
    uint8_t record[RecordSize];
    while (jack_ringbuffer_read_space(self->m_ring) >= RecordSize) {
        jack_ringbuffer_peek(self->m_ring, reinterpret_cast<char*>(record), RecordSize);
        if (jack_midi_event_write(buffer, 0, record + 1, record[0]) != 0)
            break; // the period's buffer is full: the rest goes in the next one
        jack_ringbuffer_read_advance(self->m_ring, RecordSize);
    }
    return 0;
}

void JackOutPort::serverGone(void* arg) {
    static_cast<JackOutPort*>(arg)->m_serverAlive.store(false, std::memory_order_release);
}
