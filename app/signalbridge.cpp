// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalbridge.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// The write end of the pipe the handler wakes the window's thread with. A
// signal handler can reach nothing else; it is set once, before the handlers.
int g_wakeFd = -1;
int g_readFd = -1;

void onSignal(int) {
    const char byte = 1;
    if (g_wakeFd >= 0)
        [[maybe_unused]] auto n = ::write(g_wakeFd, &byte, 1);
}
} // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
        return;
    g_readFd = fds[0];
    g_wakeFd = fds[1];
    m_notifier = new QSocketNotifier(g_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalBridge::onReadable);

    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

SignalBridge::~SignalBridge() {
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
    if (g_wakeFd >= 0) {
        ::close(g_wakeFd);
        ::close(g_readFd);
        g_wakeFd = g_readFd = -1;
    }
}

void SignalBridge::onReadable() {
    char buffer[64];
    while (::read(g_readFd, buffer, sizeof buffer) > 0) {
    }
    emit terminationRequested();
}
