// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicethread.h"

DeviceThread::DeviceThread() : m_thread([this] { run(); }) {}

DeviceThread::~DeviceThread() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void DeviceThread::post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void DeviceThread::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_ending || !m_tasks.empty(); });
        if (m_tasks.empty())
            return; // ending, and nothing is left to do
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
        task = nullptr; // what it holds goes here too, not under the lock
        lock.lock();
    }
}
