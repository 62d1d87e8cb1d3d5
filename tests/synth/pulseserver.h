// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// A PulseAudio server of the test's own, as a desktop has one but with a
// null sink ("out") instead of a sound card, in a runtime folder of its own
// (its socket there, never the user's server). This process's sound goes to
// it from the start: PULSE_SERVER names its socket.
//
// Socket-activated, as the desktop's service manager runs it, a SocketHolder
// keeps the socket, and the server starts at the first knock on it.
class SocketHolder;
class PulseServer {
public:
    enum class Start { ByItself, OnKnock };
    // Makes the folder and starts the server (or holds its socket); see running().
    // PipeWire serves PulseAudio's clients through pipewire-pulse: that is
    // the server started, killed and started anew; PipeWire and WirePlumber
    // run on beneath it.
    enum class Kind { PulseAudio, PipeWire };
    explicit PulseServer(Start how = Start::ByItself, Kind kind = Kind::PulseAudio);
    ~PulseServer(); // stops it and removes the folder

    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool running() const;
    // Socket-activated: how many servers the knocks have started, and when
    // the last one was.
    int knockStarts() const;
    std::chrono::steady_clock::time_point lastKnockStart() const;
    const std::string& socket() const { return m_socket; }

    // Ends the server at once, as a crash does, its socket file left behind;
    // start() brings it back on the same path; socket-activated, the next
    // knock does.
    void kill();
    bool start();

    // Records what reaches the sink, mono at 48 kHz, -1..1: `play` runs once
    // sound comes in (a recorder takes a while to start on a busy machine),
    // then `ms` milliseconds are taken. Empty when recording failed.
    static constexpr int RecordRate = 48000;
    std::vector<float> record(const std::function<void()>& play, int ms) const;

private:
    bool answers() const;

    bool startPipeWire();

    const Start m_how;
    const Kind m_kind;
    std::vector<pid_t> m_helpers; // the bus, PipeWire, WirePlumber
    std::unique_ptr<SocketHolder> m_holder;
    std::string m_dir;
    std::string m_socket;
    pid_t m_pid = -1;
};
