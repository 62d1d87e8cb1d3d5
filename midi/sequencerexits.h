// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

// The ALSA sequencer's ports and clients that have ended, as its announce
// port told the watch. A link of ours to an instrument cannot tell by itself
// that the instrument went: RtMidi keeps calling its port open, and a USB
// keyboard pulled out and put back gets the same name, often the same
// address. Each link takes a mark when it is made and is cut once an end of
// its address has been told since. The watch writes on its thread, the links
// read on the window's.
class SequencerExits {
public:
    void portExited(int client, int port);
    void clientExited(int client); // all its ports with it

    // How many ends of the address were told so far.
    std::uint64_t mark(int client, int port) const;

private:
    mutable std::mutex m_lock;
    std::map<int, std::uint64_t> m_clients;
    std::map<std::pair<int, int>, std::uint64_t> m_ports;
};

// One link of ours to a sequencer address, and whether its far end has gone.
class SequencerLink {
public:
    SequencerLink() = default; // to no sequencer port: never cut
    // The address is read from the port's full name ("client:port 20:0").
    SequencerLink(std::shared_ptr<const SequencerExits> exits, const std::string& fullName);
    bool cut() const;

private:
    std::shared_ptr<const SequencerExits> m_exits;
    int m_client = -1;
    int m_port = -1;
    std::uint64_t m_mark = 0;
};
