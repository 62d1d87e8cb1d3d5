// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstdint>
#include <jack/jack.h>
#include <jack/ringbuffer.h>
#include <string>
#include <vector>

// A MIDI instrument for tests, made with JACK itself (not with the library
// under test): an input port that records every event it receives and an
// output port that plays what the test queues.
class JackTestClient {
public:
    using Message = std::vector<uint8_t>;

    explicit JackTestClient(const std::string& name = "qvbprobe", const std::string& inPort = "in",
                            const std::string& outPort = "out");
    ~JackTestClient();

    JackTestClient(const JackTestClient&) = delete;
    JackTestClient& operator=(const JackTestClient&) = delete;

    bool ok() const { return m_client != nullptr; }
    std::string inPortName() const;  // full name, e.g. "qvbprobe:in"
    std::string outPortName() const; // full name, e.g. "qvbprobe:out"

    // Queues messages (up to 8 bytes each); all of one call go out in the same cycle.
    void send(const std::vector<Message>& messages);
    // How many queued messages have gone out; and when the last one did (steady clock, ns).
    uint64_t sentCount() const { return m_sentCount.load(); }
    int64_t lastSentNs() const { return m_lastSentNs.load(); }

    // Waits until the output port is connected and JACK has run two cycles
    // since: a message sent in the first cycles of a new connection may go
    // nowhere. False when that does not happen within `timeoutMs`.
    bool waitRouted(int timeoutMs = 3000);
    // Waits until `count` messages in all have gone out and JACK has run two
    // cycles since: the test servers are synchronous, so by then every client
    // they went to has read them. False when that does not happen in time.
    bool waitDelivered(uint64_t count, int timeoutMs = 3000);

    // Waits until `count` messages have arrived in all (or the time is up); returns
    // every message received since the last call.
    std::vector<Message> receive(std::size_t count, int timeoutMs);

private:
    static int process(jack_nframes_t frames, void* self);

    jack_client_t* m_client = nullptr;
    jack_port_t* m_in = nullptr;
    jack_port_t* m_out = nullptr;
    jack_ringbuffer_t* m_toJack = nullptr;
    jack_ringbuffer_t* m_fromJack = nullptr;
    std::atomic<uint64_t> m_sentCount{0};
    std::atomic<int64_t> m_lastSentNs{0};
    std::atomic<uint64_t> m_cycles{0};
    std::atomic<uint64_t> m_lastSentCycle{0};
    std::vector<Message> m_pending; // received, not yet returned
};
