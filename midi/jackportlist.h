// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <jack/jack.h>
#include <string>
#include <vector>

// The MIDI ports that others play to (`playedTo`: the instruments' inputs,
// which are our outputs), or with `playedTo` false the ports that play to
// others (the keyboards, our inputs), as JACK lists them now, with a client
// that is open anyway.
void listJackMidiPorts(jack_client_t* client, bool playedTo, std::vector<std::string>& names);

// The same with a client of its own for the moment. It has no port and is
// never activated, so the server never waits for it; false when no server
// answers.
bool listJackMidiPortsOnce(const std::string& clientName, bool playedTo,
                           std::vector<std::string>& names);
