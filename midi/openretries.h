// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <map>
#include <string>

// When a device that is listed but failed to open may be tried again: not
// before a wait that doubles with each failure, from one second up to half
// a minute. Opening such a device at every look would hold the window up
// again and again for nothing. Devices are named by their identity.
class OpenRetries {
public:
    static constexpr uint32_t FirstWaitMs = 1000;
    static constexpr uint32_t LongestWaitMs = 30000;

    // Times in milliseconds of an MsClock.
    bool mayTry(const std::string& identity, uint32_t now) const;
    // The device is waited for (it failed and was not forgotten since).
    bool waiting(const std::string& identity) const { return m_waits.count(identity) > 0; }
    void failed(const std::string& identity, uint32_t now);
    // Opened, announced anew or no longer wanted: it may be tried at once.
    void forget(const std::string& identity) { m_waits.erase(identity); }
    // Forgets every device but these two (an empty name keeps none).
    void keepOnly(const std::string& one, const std::string& other);

private:
    struct Wait {
        uint32_t since;
        uint32_t ms;
    };
    std::map<std::string, Wait> m_waits;
};
