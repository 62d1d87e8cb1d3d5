// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "sequencerexits.h"

struct _snd_seq;

// Watches the ALSA sequencer's ports through its announce port (client 0,
// port 1), which tells every subscriber when a client or a port starts, ends
// or changes. A thread of its own waits on the sequencer and on a pipe that
// ends it; it wakes only when the sequencer has something to say. News lost
// to an overrun make the ports be listed anew; a descriptor in an error state
// is closed and the watch connects again, as after any gap in its hearing.
class AlsaPortWatch {
public:
    using ChangedFn = std::function<void()>;

    // nullptr when there is no sequencer. `changed` runs on the watch's
    // thread; every port and client that ends is told to `exits` before it.
    static std::unique_ptr<AlsaPortWatch> open(const std::string& client, ChangedFn changed,
                                               std::shared_ptr<SequencerExits> exits);
    ~AlsaPortWatch(); // no call of `changed` comes after it has returned

    AlsaPortWatch(const AlsaPortWatch&) = delete;
    AlsaPortWatch& operator=(const AlsaPortWatch&) = delete;

private:
    AlsaPortWatch(std::string client, ChangedFn changed, std::shared_ptr<SequencerExits> exits)
        : m_client(std::move(client)), m_changed(std::move(changed)), m_exits(std::move(exits)) {}
    // Our client, subscribed to the announce port; false when the sequencer refuses.
    bool connect();
    void disconnect();
    void run();
    bool drain(); // true when an event said that ports may have changed

    const std::string m_client;
    const ChangedFn m_changed;
    const std::shared_ptr<SequencerExits> m_exits;
    _snd_seq* m_seq = nullptr;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};
