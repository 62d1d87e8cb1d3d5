// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <sys/types.h>

// A JACK server of the test's own: the dummy driver (no sound card), under a
// name no other server has, so tests never meet the user's server or each
// other's. The process talks to it from the start until it is stopped.
// Clients still meet across servers: libjack names a new client's socket in
// /dev/shm after the client and the user only, not the server. Two programs
// that open a client of the same name at the same moment, each on its own
// server, take each other's socket, and one open fails. ctest therefore runs
// the programs that use this one at a time (resource lock "jack-clients").
class JackServer {
public:
    JackServer();  // starts it and waits until it answers; see running()
    ~JackServer(); // stops it

    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool running() const { return m_pid > 0; }
    const std::string& name() const { return m_name; }
    int sampleRate() const { return 48000; }
    int periodFrames() const { return 128; }

    // Ends the server at once, as a crash would, leaving its clients and its
    // socket behind (the files go when this object does).
    void kill();

private:
    void spawn();
    void stop(int signal);
    bool answers() const;
    void removeLeftovers() const;

    std::string m_name;
    pid_t m_pid = -1;
    bool m_killed = false;
};
