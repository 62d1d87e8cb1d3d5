// SPDX-License-Identifier: GPL-3.0-or-later
#include "jackserver.h"

#include "childserver.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <jack/jack.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
void quiet(const char*) {}

std::string uniqueName() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return "qvbtest" + std::to_string(::getpid()) + "x" + std::to_string(ticks % 1000000007);
}
} // namespace

JackServer::JackServer() : m_name(uniqueName()) {
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    ::setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    spawn();
}

void JackServer::spawn() {
    // Synchronous, with a long client timeout: without real-time rights a
    // client on a busy machine is often more than a period late, and a server
    // that does not wait for it starts the next cycle over the MIDI the client
    // has not read yet. This one waits for it, up to a second (ten times -t).
    std::vector<std::string> args = {"jackd", "-S", "-t", "100",   "-n", m_name, "-d",
                                     "dummy", "-r", "48000", "-p", "128"};
    // Started as a child that is told to end with this process: a test that
    // crashes must not leave a JACK server running behind it. SIGTERM lets it
    // sign off from JACK's table of servers, which holds only eight.
    const pid_t pid = startChildServer(std::move(args), SIGTERM);
    if (pid < 0)
        return;
    m_pid = pid;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1; // jackd gave up
            return;
        }
        if (answers())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop(SIGKILL);
}

JackServer::~JackServer() {
    stop(SIGTERM);
    removeLeftovers();
    if (m_killed) {
        // A killed server stays in JACK's table of servers (eight places) until
        // one of the same name starts again; a brief clean run signs it off.
        spawn();
        stop(SIGTERM);
        removeLeftovers();
    }
}

bool JackServer::answers() const {
    jack_status_t status{};
    jack_client_t* client =
        jack_client_open("qvbwait", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                         &status, m_name.c_str());
    if (!client)
        return false;
    jack_client_close(client);
    return true;
}

void JackServer::kill() {
    if (m_pid <= 0)
        return;
    stop(SIGKILL);
    m_killed = true;
}

void JackServer::stop(int signal) {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, signal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_pid = -1;
}

// A killed server leaves its socket and semaphores in /dev/shm; they carry
// this server's unique name, so only this test's leftovers are removed.
void JackServer::removeLeftovers() const {
    DIR* dir = ::opendir("/dev/shm");
    if (!dir)
        return;
    std::vector<std::string> doomed;
    while (dirent* entry = ::readdir(dir)) {
        const std::string file = entry->d_name;
        if (file.find("_" + m_name + "_") != std::string::npos)
            doomed.push_back("/dev/shm/" + file);
    }
    ::closedir(dir);
    for (const auto& path : doomed)
        ::unlink(path.c_str());
}
