// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulsecapture.h"

#include <pulse/pulseaudio.h>

#include "pulselink.h"

std::unique_ptr<PulseCapture> PulseCapture::open(std::shared_ptr<PulseLink> link, Sink sink,
                                                 const char* source) {
    if (!link || !link->mainloop())
        return nullptr;
    std::unique_ptr<PulseCapture> capture(new PulseCapture(link, std::move(sink)));
    pa_threaded_mainloop* loop = link->mainloop();
    pa_threaded_mainloop_lock(loop);
    pa_context* context = link->readyContext();
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, uint32_t(SampleRate), 1};
    pa_stream* s = context ? pa_stream_new(context, "Mikrofon", &format, nullptr) : nullptr;
    if (s) {
        pa_stream_set_state_callback(s, &PulseCapture::onState, capture.get());
        pa_stream_set_read_callback(s, &PulseCapture::onRead, capture.get());
        // Blocks of 10 ms: an answer is heard that much after it was sung at most.
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(pa_usec_to_bytes(LatencyMs * 1000, &format));
        // A source that goes takes the stream with it, and the input is lost,
        // instead of the stream moving on to whatever the server has left
        // (the echo of its output, often).
        const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_record(s, source, &attr, flags) < 0) {
            pa_stream_set_state_callback(s, nullptr, nullptr);
            pa_stream_set_read_callback(s, nullptr, nullptr);
            pa_stream_unref(s);
            s = nullptr;
        }
    }
    capture->m_stream = s;
    pa_threaded_mainloop_unlock(loop);
    if (!s)
        return nullptr;
    return capture;
}

PulseCapture::PulseCapture(std::shared_ptr<PulseLink> link, Sink sink)
    : m_link(std::move(link)), m_sink(std::move(sink)) {}

PulseCapture::~PulseCapture() {
    if (!m_stream)
        return;
    // Under the server thread's lock no callback runs; after it none will.
    pa_threaded_mainloop* loop = m_link->mainloop();
    pa_threaded_mainloop_lock(loop);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    if (pa_stream_get_state(m_stream) == PA_STREAM_READY ||
        pa_stream_get_state(m_stream) == PA_STREAM_CREATING)
        pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    pa_threaded_mainloop_unlock(loop);
}

void PulseCapture::onState(pa_stream* s, void* self) {
    auto* capture = static_cast<PulseCapture*>(self);
    const pa_stream_state_t state = pa_stream_get_state(s);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
        capture->m_alive.store(false);
        capture->m_link->changed();
    }
}

void PulseCapture::onRead(pa_stream* s, std::size_t, void* self) {
    auto* capture = static_cast<PulseCapture*>(self);
    while (pa_stream_readable_size(s) > 0) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(s, &data, &bytes) < 0)
            return;
        if (bytes == 0)
            return;
        // A hole (data == nullptr) is samples lost: nothing is made up for them.
        if (data && capture->m_sink)
            capture->m_sink(static_cast<const float*>(data), bytes / sizeof(float));
        pa_stream_drop(s);
    }
}
