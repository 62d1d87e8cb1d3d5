// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsaportwatch.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include "audioenvironment.h"

namespace {
// How long a watch that lost the sequencer waits before it tries again.
constexpr int ReconnectMs = 1000;
} // namespace

std::unique_ptr<AlsaPortWatch> AlsaPortWatch::open(const std::string& client, ChangedFn changed,
                                                   std::shared_ptr<SequencerExits> exits) {
    if (!alsaSequencerPresent() || !changed || !exits)
        return nullptr;
    std::unique_ptr<AlsaPortWatch> watch(
        new AlsaPortWatch(client, std::move(changed), std::move(exits)));
    if (!watch->connect())
        return nullptr;
    if (::pipe2(watch->m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    watch->m_thread = std::thread([w = watch.get()] { w->run(); });
    return watch;
}

AlsaPortWatch::~AlsaPortWatch() {
    if (m_thread.joinable()) {
        const char end = 1;
        (void)!::write(m_wake[1], &end, 1);
        m_thread.join();
    }
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
    disconnect();
}

bool AlsaPortWatch::connect() {
    if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        m_seq = nullptr;
        return false;
    }
    snd_seq_set_client_name(m_seq, m_client.c_str());
    // Written to by the announce port only: no other program may connect to it.
    const int port = snd_seq_create_simple_port(m_seq, "Beobachter",
                                                SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                                SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0 || snd_seq_connect_from(m_seq, port, SND_SEQ_CLIENT_SYSTEM,
                                         SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
        disconnect();
        return false;
    }
    return true;
}

void AlsaPortWatch::disconnect() {
    if (m_seq)
        snd_seq_close(m_seq);
    m_seq = nullptr;
}

void AlsaPortWatch::run() {
    std::vector<pollfd> fds;
    for (;;) {
        if (!m_seq) {
            // Whatever came and went while we were deaf is looked at once we hear again.
            pollfd wake{m_wake[0], POLLIN, 0};
            if (::poll(&wake, 1, ReconnectMs) > 0)
                return; // the watch is being closed
            if (!connect())
                continue;
            fds.clear();
            m_changed();
        }
        if (fds.empty()) {
            const int seqFds = snd_seq_poll_descriptors_count(m_seq, POLLIN);
            fds.resize(std::size_t(seqFds) + 1);
            snd_seq_poll_descriptors(m_seq, fds.data(), unsigned(seqFds), POLLIN);
            fds.back() = {m_wake[0], POLLIN, 0};
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return;
        if (fds.back().revents != 0)
            return; // the watch is being closed
        bool broken = false;
        for (std::size_t k = 0; k + 1 < fds.size(); ++k)
            broken = broken || (fds[k].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        if (broken) {
            // A descriptor in an error state would wake the poll for ever.
            disconnect();
            continue;
        }
        if (drain())
            m_changed();
    }
}

bool AlsaPortWatch::drain() {
    bool changed = false;
    for (;;) {
        snd_seq_event_t* event = nullptr;
        const int got = snd_seq_event_input(m_seq, &event);
        if (got == -ENOSPC) {
            // The announce port said more than our queue held: some news are
            // lost, so the ports are listed anew.
            changed = true;
            continue;
        }
        if (got < 0 || !event)
            break;
        switch (event->type) {
        case SND_SEQ_EVENT_CLIENT_EXIT:
            m_exits->clientExited(event->data.addr.client);
            changed = true;
            break;
        case SND_SEQ_EVENT_PORT_EXIT:
            m_exits->portExited(event->data.addr.client, event->data.addr.port);
            changed = true;
            break;
        case SND_SEQ_EVENT_CLIENT_START:
        case SND_SEQ_EVENT_CLIENT_CHANGE:
        case SND_SEQ_EVENT_PORT_START:
        case SND_SEQ_EVENT_PORT_CHANGE:
        case SND_SEQ_EVENT_PORT_UNSUBSCRIBED: // a link of ours cut by the other side
            changed = true;
            break;
        default:
            break;
        }
    }
    return changed;
}
