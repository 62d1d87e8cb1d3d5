// SPDX-License-Identifier: GPL-3.0-or-later
#include "jacktestclient.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <jack/midiport.h>
#include <thread>

namespace {
// One record per message in the ring buffers: a batch mark, a length, the
// bytes (a short system exclusive message fits too).
constexpr std::size_t MaxBytes = 8;
struct Record {
    uint8_t lastOfBatch;
    uint8_t length;
    uint8_t bytes[MaxBytes];
};

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

JackTestClient::JackTestClient(const std::string& name, const std::string& inPort,
                               const std::string& outPort) {
    jack_status_t status{};
    m_client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!m_client)
        return;
    m_toJack = jack_ringbuffer_create(sizeof(Record) * 4096);
    m_fromJack = jack_ringbuffer_create(sizeof(Record) * 4096);
    m_in = jack_port_register(m_client, inPort.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    m_out =
        jack_port_register(m_client, outPort.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!m_toJack || !m_fromJack || !m_in || !m_out ||
        jack_set_process_callback(m_client, &JackTestClient::process, this) != 0 ||
        jack_activate(m_client) != 0) {
        jack_client_close(m_client);
        m_client = nullptr;
    }
}

JackTestClient::~JackTestClient() {
    if (m_client)
        jack_client_close(m_client);
    if (m_toJack)
        jack_ringbuffer_free(m_toJack);
    if (m_fromJack)
        jack_ringbuffer_free(m_fromJack);
}

std::string JackTestClient::inPortName() const {
    return m_in ? jack_port_name(m_in) : "";
}

std::string JackTestClient::outPortName() const {
    return m_out ? jack_port_name(m_out) : "";
}

void JackTestClient::send(const std::vector<Message>& messages) {
    if (!m_client)
        return;
    // The whole batch goes into the ring at once, so the process callback sees all of it.
    std::vector<Record> records;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        Record r{};
        r.lastOfBatch = i + 1 == messages.size();
        r.length = static_cast<uint8_t>(std::min(messages[i].size(), MaxBytes));
        std::memcpy(r.bytes, messages[i].data(), r.length);
        records.push_back(r);
    }
    jack_ringbuffer_write(m_toJack, reinterpret_cast<const char*>(records.data()),
                          records.size() * sizeof(Record));
}

std::vector<JackTestClient::Message> JackTestClient::receive(std::size_t count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Record r{};
        while (jack_ringbuffer_read_space(m_fromJack) >= sizeof(Record)) {
            jack_ringbuffer_read(m_fromJack, reinterpret_cast<char*>(&r), sizeof(Record));
            m_pending.emplace_back(r.bytes, r.bytes + std::min<std::size_t>(r.length, MaxBytes));
        }
        if (m_pending.size() >= count || std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::vector<Message> result;
    result.swap(m_pending);
    return result;
}

bool JackTestClient::waitRouted(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (jack_port_connected(m_out) == 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const uint64_t from = m_cycles.load();
    while (m_cycles.load() < from + 2) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool JackTestClient::waitDelivered(uint64_t count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_sentCount.load() < count || m_cycles.load() < m_lastSentCycle.load() + 2) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int JackTestClient::process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackTestClient*>(arg);
    const uint64_t cycle = self->m_cycles.fetch_add(1) + 1;
    void* in = jack_port_get_buffer(self->m_in, frames);
    const jack_nframes_t events = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < events; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) != 0)
            continue;
        Record r{};
        r.length = static_cast<uint8_t>(event.size > 255 ? 255 : event.size);
        std::memcpy(r.bytes, event.buffer, std::min(event.size, MaxBytes));
        if (jack_ringbuffer_write_space(self->m_fromJack) >= sizeof(Record))
            jack_ringbuffer_write(self->m_fromJack, reinterpret_cast<const char*>(&r),
                                  sizeof(Record));
    }

    void* out = jack_port_get_buffer(self->m_out, frames);
    jack_midi_clear_buffer(out);
    // Only whole batches: a batch the test queued is played in one cycle, even
    // when the writer has put only part of it into the ring so far.
    constexpr std::size_t MaxBatch = 64;
    Record batch[MaxBatch];
    const std::size_t available =
        std::min(jack_ringbuffer_read_space(self->m_toJack) / sizeof(Record), MaxBatch);
    jack_ringbuffer_peek(self->m_toJack, reinterpret_cast<char*>(batch),
                         available * sizeof(Record));
    uint64_t sent = 0;
    for (std::size_t i = 0; i < available; ++i) {
        if (!batch[i].lastOfBatch)
            continue;
        for (std::size_t k = 0; k <= i; ++k) {
            if (jack_midi_event_write(out, 0, batch[k].bytes, batch[k].length) == 0)
                ++sent;
        }
        jack_ringbuffer_read_advance(self->m_toJack, (i + 1) * sizeof(Record));
        break;
    }
    if (sent > 0) {
        self->m_lastSentNs.store(nowNs());
        self->m_lastSentCycle.store(cycle);
        self->m_sentCount.fetch_add(sent);
    }
    return 0;
}
