// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <functional>
#include <jack/jack.h>
#include <memory>
#include <string>
#include <vector>

// Watches the JACK server's ports with a client of its own that has no port
// and no process callback, so it costs the server nothing per period. JACK
// tells it on its notification thread whenever a port is registered or
// unregistered, and when the server goes away.
class JackPortWatch {
public:
    using ChangedFn = std::function<void()>;

    // nullptr when no server answers. `changed` runs on JACK's thread.
    static std::unique_ptr<JackPortWatch> open(const std::string& client, ChangedFn changed);
    ~JackPortWatch(); // no call of `changed` comes after it has returned

    JackPortWatch(const JackPortWatch&) = delete;
    JackPortWatch& operator=(const JackPortWatch&) = delete;

    // The server has gone; the watch must be made anew once one runs again.
    bool serverGone() const { return m_gone.load(std::memory_order_acquire); }

    // The MIDI ports that others play to (`playedTo` false: that play to
    // others), as listJackMidiPorts; false when the server has gone.
    bool listMidiPorts(bool playedTo, std::vector<std::string>& names) const;

private:
    explicit JackPortWatch(ChangedFn changed) : m_changed(std::move(changed)) {}
    static void portRegistered(jack_port_id_t port, int registered, void* self);
    static void shutDown(void* self);

    const ChangedFn m_changed;
    jack_client_t* m_client = nullptr;
    std::atomic<bool> m_gone{false};
};
