// SPDX-License-Identifier: GPL-3.0-or-later
#include "newsbell.h"

#include <QSocketNotifier>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

NewsBell::NewsBell(QObject* parent) : QObject(parent) {
    m_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_fd < 0)
        return; // no descriptors left: the port watcher looks once a second instead
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &NewsBell::hear);
}

NewsBell::~NewsBell() {
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void NewsBell::ring() {
    if (m_fd < 0)
        return;
    const std::uint64_t one = 1;
    // Only a full counter (never in practice) refuses; the bell is rung then anyway.
    [[maybe_unused]] const auto written = ::write(m_fd, &one, sizeof one);
}

void NewsBell::hear() {
    std::uint64_t rings = 0;
    if (::read(m_fd, &rings, sizeof rings) != static_cast<ssize_t>(sizeof rings))
        return; // someone else read it first: nothing new
    emit heard();
}
