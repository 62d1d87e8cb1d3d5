// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A thread that does what it is given one thing after another, in the order
// given. The built-in synthesizers that output 0 opens are made and closed
// on one of these: the window's thread does not wait for them, and two of
// them are never made or closed at the same time (FluidSynth's calls for two
// synthesizers must not meet; see fluidsynthout.h).
class SynthThread {
public:
    SynthThread();
    // Does what was given and not yet done, then ends.
    ~SynthThread();

    SynthThread(const SynthThread&) = delete;
    SynthThread& operator=(const SynthThread&) = delete;

    void post(std::function<void()> task);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_ending = false;
    std::thread m_thread; // last: starts once the rest is made
};
