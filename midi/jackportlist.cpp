// SPDX-License-Identifier: GPL-3.0-or-later
#include "jackportlist.h"

#include "audioenvironment.h"

void listJackMidiPorts(jack_client_t* client, bool playedTo, std::vector<std::string>& names) {
    names.clear();
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                        playedTo ? JackPortIsInput : JackPortIsOutput);
    if (!ports)
        return; // none at all
    for (const char** port = ports; *port; ++port)
        names.emplace_back(*port);
    jack_free(ports);
}

bool listJackMidiPortsOnce(const std::string& clientName, bool playedTo,
                           std::vector<std::string>& names) {
    names.clear();
    prepareAudioLibraries();
    if (!jackServerMayRun())
        return false;
    jack_status_t status{};
    jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (!client)
        return false;
    listJackMidiPorts(client, playedTo, names);
    jack_client_close(client);
    return true;
}
