// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QString>

// A microphone of the sound server's: a pipe source (PULSE_SERVER's server)
// and a thread that writes into it in real time, 10 ms at a time, silence
// while there is nothing to say. Mono float at 48 kHz.
class Mouth {
public:
    static constexpr double Rate = 48000;
    static constexpr std::size_t Block = 480; // 10 ms

    // `dir` holds the pipe; `source` is the source's name; made the server's
    // default source when `asDefault`.
    explicit Mouth(const std::string& dir, std::string source = "qvbmic", bool asDefault = true);
    ~Mouth();
    Mouth(const Mouth&) = delete;
    Mouth& operator=(const Mouth&) = delete;

    bool plug();
    void unplug();
    const std::string& source() const { return m_source; }

    // Said after whatever is still being said.
    void say(const std::vector<float>& sound);
    // Said after whatever is still being said, and `echo` laid under it from
    // the same sample on.
    void sayOver(const std::vector<float>& sound, std::vector<float> echo);
    // From now on `echo` is laid under what is said, until quiet().
    void echo(std::vector<float> sound);
    void quiet() { echo({}); }
    bool saying();
    // When the first sample of the latest say() went into the pipe; the
    // epoch's time until it has.
    std::chrono::steady_clock::time_point saidFrom();

private:
    void speak();

    std::string m_fifo;
    std::string m_source;
    bool m_asDefault;
    QString m_module;
    int m_fd = -1;
    std::atomic<bool> m_run{false};
    std::thread m_thread;
    std::mutex m_lock;
    std::deque<float> m_queue;
    std::vector<float> m_echo;
    std::size_t m_echoAt = 0;
    std::size_t m_beforeMark = 0; // samples still to go before the latest say()'s first
    bool m_marked = false;
    std::chrono::steady_clock::time_point m_saidFrom{};
};
