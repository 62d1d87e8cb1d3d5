// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The messages sent to the built-in synthesizer while it starts and cannot
// play them yet: kept in order, then handed on in one go. The limit lies far
// beyond what anyone plays while it starts; a flood beyond it is dropped
// rather than kept. Not locked: its owner says which thread may touch it.
class WaitingMessages {
public:
    static constexpr std::size_t Limit = 4096;

    void keep(uint32_t message);
    // Every kept message to `play`, in order; afterwards none is kept.
    void handOn(const std::function<void(uint32_t)>& play);
    // Forgets them all (nothing could play them).
    void drop();
    std::size_t size() const { return m_messages.size(); }

private:
    std::vector<uint32_t> m_messages;
};
