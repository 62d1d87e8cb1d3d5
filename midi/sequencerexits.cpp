// SPDX-License-Identifier: GPL-3.0-or-later
#include "sequencerexits.h"

#include "portnames.h"

void SequencerExits::portExited(int client, int port) {
    const std::lock_guard<std::mutex> hold(m_lock);
    ++m_ports[{client, port}];
}

void SequencerExits::clientExited(int client) {
    const std::lock_guard<std::mutex> hold(m_lock);
    ++m_clients[client];
}

std::uint64_t SequencerExits::mark(int client, int port) const {
    const std::lock_guard<std::mutex> hold(m_lock);
    std::uint64_t ends = 0;
    if (const auto found = m_clients.find(client); found != m_clients.end())
        ends += found->second;
    if (const auto found = m_ports.find({client, port}); found != m_ports.end())
        ends += found->second;
    return ends;
}

SequencerLink::SequencerLink(std::shared_ptr<const SequencerExits> exits,
                             const std::string& fullName) {
    if (!exits || !alsaAddressOf(fullName, m_client, m_port))
        return;
    m_exits = std::move(exits);
    m_mark = m_exits->mark(m_client, m_port);
}

bool SequencerLink::cut() const {
    return m_exits && m_exits->mark(m_client, m_port) != m_mark;
}
