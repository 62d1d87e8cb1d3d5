// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include <pulse/subscribe.h>

struct pa_threaded_mainloop;
struct pa_time_event;

// One connection to the desktop's sound server, on a thread of its own, that
// knows whether the server has a capture source to listen to and says when
// that changes. A server that goes away is knocked on again every second, as
// a socket that systemd holds starts the new one.
class PulseLink {
public:
    PulseLink();
    ~PulseLink();
    PulseLink(const PulseLink&) = delete;
    PulseLink& operator=(const PulseLink&) = delete;

    bool hasSource() const { return m_hasSource.load(); }
    void waitForServer(int ms);
    // Called on the link's thread; replaced under a lock of its own.
    void onChange(std::function<void()> changed);

    // For the captures: the server's thread lock, and the context while it is
    // connected (nullptr otherwise; read under the lock).
    pa_threaded_mainloop* mainloop() const { return m_mainloop; }
    pa_context* readyContext() const;
    void changed(); // a capture lost its stream

private:
    static void onState(pa_context* c, void* self);
    static void onEvent(pa_context* c, pa_subscription_event_type_t facility, uint32_t index,
                        void* self);
    static void onRetry(struct pa_mainloop_api* api, pa_time_event* e, const struct timeval* tv,
                        void* self);
    void connect();
    void refresh();
    void settle(bool hasSource);

    pa_threaded_mainloop* m_mainloop = nullptr;
    pa_context* m_context = nullptr;
    bool m_ready = false;
    bool m_retrying = false; // the context failed; a new knock is due
    std::atomic<bool> m_hasSource{false};
    std::mutex m_lock;
    std::condition_variable m_answered;
    bool m_gotAnswer = false;
    std::mutex m_changedLock;
    std::function<void()> m_changed;
};
