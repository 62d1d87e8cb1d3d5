// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A thread that does what it is given one thing after another, in the order
// given: where devices that take long to open or close are opened and
// closed, so that the window's thread does not wait for them. The built-in
// synthesizers that output 0 opens are made and closed on one of these, so
// two of them are never made or closed at the same time (FluidSynth's calls
// for two synthesizers must not meet; see fluidsynthout.h). JACK's inputs
// that the program reopens by itself open on another.
class DeviceThread {
public:
    DeviceThread();
    // Does what was given and not yet done, then ends.
    ~DeviceThread();

    DeviceThread(const DeviceThread&) = delete;
    DeviceThread& operator=(const DeviceThread&) = delete;

    // What `task` holds goes on this thread once it has run, when nothing
    // else holds it: move it in, do not copy it.
    void post(std::function<void()> task);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_ending = false;
    std::thread m_thread; // last: starts once the rest is made
};
