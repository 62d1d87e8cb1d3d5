// SPDX-License-Identifier: GPL-3.0-or-later
#include "jackportwatch.h"

#include "audioenvironment.h"
#include "jackportlist.h"

std::unique_ptr<JackPortWatch> JackPortWatch::open(const std::string& client, ChangedFn changed) {
    prepareAudioLibraries();
    if (!jackServerMayRun() || !changed)
        return nullptr;
    std::unique_ptr<JackPortWatch> watch(new JackPortWatch(std::move(changed)));
    jack_status_t status{};
    watch->m_client = jack_client_open(client.c_str(), JackNoStartServer, &status);
    if (!watch->m_client)
        return nullptr;
    jack_on_shutdown(watch->m_client, &JackPortWatch::shutDown, watch.get());
    if (jack_set_port_registration_callback(watch->m_client, &JackPortWatch::portRegistered,
                                            watch.get()) != 0 ||
        jack_activate(watch->m_client) != 0)
        return nullptr;
    return watch;
}

JackPortWatch::~JackPortWatch() {
    if (m_client)
        jack_client_close(m_client); // ends the notification thread first
}

void JackPortWatch::portRegistered(jack_port_id_t, int, void* self) {
    static_cast<JackPortWatch*>(self)->m_changed();
}

void JackPortWatch::shutDown(void* self) {
    auto* watch = static_cast<JackPortWatch*>(self);
    watch->m_gone.store(true, std::memory_order_release);
    watch->m_changed(); // every JACK port has gone with the server
}

bool JackPortWatch::listMidiPorts(bool playedTo, std::vector<std::string>& names) const {
    if (serverGone())
        return false;
    listJackMidiPorts(m_client, playedTo, names);
    return true;
}
