// SPDX-License-Identifier: GPL-3.0-or-later
#include "openretries.h"

#include <algorithm>

bool OpenRetries::mayTry(const std::string& identity, uint32_t now) const {
    const auto wait = m_waits.find(identity);
    // On the unsigned difference, as every time of the clock, across its wrap too.
    return wait == m_waits.end() || uint32_t(now - wait->second.since) >= wait->second.ms;
}

void OpenRetries::failed(const std::string& identity, uint32_t now) {
    const auto wait = m_waits.find(identity);
    if (wait == m_waits.end()) {
        m_waits[identity] = {now, FirstWaitMs};
        return;
    }
    wait->second = {now, std::min(wait->second.ms * 2, LongestWaitMs)};
}

void OpenRetries::keepOnly(const std::string& one, const std::string& other) {
    for (auto it = m_waits.begin(); it != m_waits.end();) {
        if (it->first != one && it->first != other)
            it = m_waits.erase(it);
        else
            ++it;
    }
}
