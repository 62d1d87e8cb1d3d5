// SPDX-License-Identifier: GPL-3.0-or-later
#include "waitingmessages.h"

void WaitingMessages::keep(uint32_t message) {
    if (m_messages.size() < Limit)
        m_messages.push_back(message);
}

void WaitingMessages::handOn(const std::function<void(uint32_t)>& play) {
    for (uint32_t message : m_messages)
        play(message);
    drop();
}

void WaitingMessages::drop() {
    // The memory goes too: the synthesizer starts once in a run.
    std::vector<uint32_t>().swap(m_messages);
}
