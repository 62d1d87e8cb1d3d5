// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulselink.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstring>

namespace {
constexpr pa_usec_t RetryUs = 1000 * 1000;
} // namespace

PulseLink::PulseLink() {
    m_mainloop = pa_threaded_mainloop_new();
    if (!m_mainloop)
        return;
    pa_threaded_mainloop_set_name(m_mainloop, "qvb-microphone");
    pa_threaded_mainloop_lock(m_mainloop);
    connect();
    pa_threaded_mainloop_unlock(m_mainloop);
    pa_threaded_mainloop_start(m_mainloop);
}

PulseLink::~PulseLink() {
    if (!m_mainloop)
        return;
    pa_threaded_mainloop_stop(m_mainloop);
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    pa_threaded_mainloop_free(m_mainloop);
}

void PulseLink::onChange(std::function<void()> changed) {
    std::lock_guard<std::mutex> lock(m_changedLock);
    m_changed = std::move(changed);
}

void PulseLink::changed() {
    std::lock_guard<std::mutex> lock(m_changedLock);
    if (m_changed)
        m_changed();
}

void PulseLink::waitForServer(int ms) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_answered.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_gotAnswer; });
}

pa_context* PulseLink::readyContext() const {
    return m_ready ? m_context : nullptr;
}

void PulseLink::connect() {
    m_retrying = false;
    if (m_context) {
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    pa_context* c = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), "QVB-Zaradariveda");
    if (!c) {
        settle(false);
        return;
    }
    m_context = c;
    pa_context_set_state_callback(c, &PulseLink::onState, this);
    // No server of our own is spawned: the desktop's is the one to hear.
    if (pa_context_connect(c, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        // Refused at once (no server at all): the state callback did not run.
        onState(c, this);
    }
}

void PulseLink::onState(pa_context* c, void* self) {
    auto* link = static_cast<PulseLink*>(self);
    switch (pa_context_get_state(c)) {
    case PA_CONTEXT_READY:
        link->m_ready = true;
        pa_context_set_subscribe_callback(c, &PulseLink::onEvent, link);
        pa_operation_unref(pa_context_subscribe(
            c, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER),
            nullptr, nullptr));
        link->refresh();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: {
        // The context is still in libpulse's hands while this runs: it is
        // let go of only when the next knock makes a new one.
        if (link->m_retrying)
            break; // told twice: a connection refused at once
        link->m_retrying = true;
        link->m_ready = false;
        pa_context_set_state_callback(c, nullptr, nullptr);
        pa_context_set_subscribe_callback(c, nullptr, nullptr);
        link->settle(false);
        link->changed();
        // Knocked on again in a second: the server may be restarting.
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(link->m_mainloop);
        struct timeval when;
        api->time_new(api, pa_timeval_add(pa_gettimeofday(&when), RetryUs), &PulseLink::onRetry,
                      link);
        break;
    }
    default:
        break;
    }
}

void PulseLink::onRetry(pa_mainloop_api* api, pa_time_event* e, const struct timeval*,
                        void* self) {
    api->time_free(e);
    static_cast<PulseLink*>(self)->connect();
}

void PulseLink::onEvent(pa_context*, pa_subscription_event_type_t facility, uint32_t,
                        void* self) {
    const int kind = facility & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if (kind == PA_SUBSCRIPTION_EVENT_SOURCE || kind == PA_SUBSCRIPTION_EVENT_SERVER)
        static_cast<PulseLink*>(self)->refresh();
}

void PulseLink::refresh() {
    if (!m_context)
        return;
    // The default source, then whether it is a real one.
    pa_operation* op = pa_context_get_server_info(
        m_context,
        [](pa_context* c, const pa_server_info* info, void* self) {
            auto* link = static_cast<PulseLink*>(self);
            if (!info || !info->default_source_name || !*info->default_source_name) {
                link->settle(false);
                return;
            }
            pa_operation* byName = pa_context_get_source_info_by_name(
                c, info->default_source_name,
                [](pa_context*, const pa_source_info* source, int eol, void* self) {
                    auto* link = static_cast<PulseLink*>(self);
                    if (source)
                        link->settle(source->monitor_of_sink == PA_INVALID_INDEX);
                    else if (eol < 0)
                        link->settle(false);
                },
                link);
            if (byName)
                pa_operation_unref(byName);
            else
                link->settle(false);
        },
        this);
    if (op)
        pa_operation_unref(op);
}

void PulseLink::settle(bool hasSource) {
    const bool was = m_hasSource.exchange(hasSource);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_gotAnswer = true;
    }
    m_answered.notify_all();
    if (was != hasSource)
        changed();
}
