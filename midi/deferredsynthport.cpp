// SPDX-License-Identifier: GPL-3.0-or-later
#include "deferredsynthport.h"

DeferredSynthPort::DeferredSynthPort(Opener opener) : m_opener(std::move(opener)) {}

void DeferredSynthPort::sendShort(uint32_t message) {
    if (m_synth) {
        m_synth->sendShort(message);
        return;
    }
    if (!m_tried)
        m_waiting.keep(message);
}

bool DeferredSynthPort::finishOpening() {
    if (m_tried)
        return m_synth != nullptr;
    m_tried = true;
    if (m_opener)
        m_synth = m_opener();
    if (m_synth)
        m_waiting.handOn([this](uint32_t message) { m_synth->sendShort(message); });
    else
        m_waiting.drop();
    return m_synth != nullptr;
}
