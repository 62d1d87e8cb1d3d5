// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

class PulseLink;
struct pa_stream;

// Mono samples of the sound server's default capture source (or of the one
// named), handed to a sink on the server link's thread in blocks of at most
// 10 ms, from the moment it is opened until it is destroyed.
class PulseCapture {
public:
    static constexpr double SampleRate = 48000;
    static constexpr unsigned LatencyMs = 10;
    using Sink = std::function<void(const float* samples, std::size_t count)>;

    // nullptr when the server is not connected or refuses the stream.
    static std::unique_ptr<PulseCapture> open(std::shared_ptr<PulseLink> link, Sink sink,
                                              const char* source = nullptr);
    ~PulseCapture();
    PulseCapture(const PulseCapture&) = delete;
    PulseCapture& operator=(const PulseCapture&) = delete;

    // The stream still runs: its source and its server are there.
    bool alive() const { return m_alive.load(); }

private:
    PulseCapture(std::shared_ptr<PulseLink> link, Sink sink);
    static void onState(pa_stream* s, void* self);
    static void onRead(pa_stream* s, std::size_t bytes, void* self);

    std::shared_ptr<PulseLink> m_link;
    Sink m_sink;
    pa_stream* m_stream = nullptr;
    std::atomic<bool> m_alive{true};
};
