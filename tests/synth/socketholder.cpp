// SPDX-License-Identifier: GPL-3.0-or-later
#include "socketholder.h"

#include "childserver.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

SocketHolder::SocketHolder(std::string path, std::vector<std::string> command,
                           std::vector<std::string> env)
    : m_path(std::move(path)), m_command(std::move(command)), m_env(std::move(env)) {
    sockaddr_un address{};
    if (m_path.size() >= sizeof address.sun_path)
        return;
    address.sun_family = AF_UNIX;
    m_path.copy(address.sun_path, m_path.size());
    ::unlink(m_path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 64) != 0) {
        ::close(fd);
        return;
    }
    m_listen = fd;
    m_watch = std::thread([this] { watch(); });
}

SocketHolder::~SocketHolder() {
    m_ending = true;
    if (m_watch.joinable())
        m_watch.join();
    killServer();
    if (m_listen >= 0) {
        ::close(m_listen);
        ::unlink(m_path.c_str());
    }
}

void SocketHolder::killServer() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

std::chrono::steady_clock::time_point SocketHolder::lastStart() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_started;
}

void SocketHolder::watch() {
    while (!m_ending) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                m_pid = -1; // crashed: the socket waits for the next knock
            if (m_pid > 0) {
                // The server takes the connections itself now.
            } else {
                pollfd knock{m_listen, POLLIN, 0};
                if (::poll(&knock, 1, 0) == 1 && (knock.revents & POLLIN))
                    startServer();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void SocketHolder::startServer() {
    const pid_t pid = startChildServer(m_command, SIGKILL, [this] {
        for (const std::string& setting : m_env)
            ::putenv(const_cast<char*>(setting.c_str()));
        ::setenv("LISTEN_FDS", "1", 1);
        ::setenv("LISTEN_PID", std::to_string(::getpid()).c_str(), 1);
        ::unsetenv("LISTEN_FDNAMES");
        if (m_listen == 3)
            ::fcntl(3, F_SETFD, 0);
        else
            ::dup2(m_listen, 3); // dup2 clears close-on-exec
    });
    if (pid < 0)
        return;
    m_pid = pid;
    m_started = std::chrono::steady_clock::now();
    m_starts.fetch_add(1);
}
