// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// Holds a sound server's listening socket as the desktop's service manager
// does (pulseaudio.socket, pipewire-pulse.socket): the socket file is made
// once and stays, with its inode, and accepts connections while no server
// runs (the kernel queues them). The first knock while no server runs starts
// one with the socket handed over (fd 3, LISTEN_FDS=1, LISTEN_PID); when it
// has crashed, the next knock starts a new one on the same socket.
class SocketHolder {
public:
    // `command` is started with `env` added to the environment.
    SocketHolder(std::string path, std::vector<std::string> command, std::vector<std::string> env);
    ~SocketHolder(); // the watch, then the server

    SocketHolder(const SocketHolder&) = delete;
    SocketHolder& operator=(const SocketHolder&) = delete;

    bool holding() const { return m_listen >= 0; }
    // Ends the server at once, as a crash does; the socket stays held.
    void killServer();
    // How many servers were started, and when the last one was.
    int starts() const { return m_starts.load(); }
    std::chrono::steady_clock::time_point lastStart() const;

private:
    void watch();
    void startServer(); // with m_mutex held

    const std::string m_path;
    const std::vector<std::string> m_command;
    const std::vector<std::string> m_env;
    int m_listen = -1;
    std::atomic<bool> m_ending{false};
    std::atomic<int> m_starts{0};
    mutable std::mutex m_mutex; // m_pid, m_started
    pid_t m_pid = -1;
    std::chrono::steady_clock::time_point m_started;
    std::thread m_watch;
};
