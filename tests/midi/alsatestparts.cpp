// SPDX-License-Identifier: GPL-3.0-or-later
#include "alsatestparts.h"

#include <fstream>

namespace {
const char* const VirmidiDriver = "/sys/bus/platform/drivers/snd_virmidi/";
const char* const VirmidiDevice = "snd_virmidi.0";

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path);
    file << text;
    file.flush();
    return bool(file);
}

int virmidiCard() {
    return snd_card_get_index("VirMIDI");
}
} // namespace

AlsaKeyboard::AlsaKeyboard(const char* name) {
    if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
        m_seq = nullptr;
        return;
    }
    snd_seq_set_client_name(m_seq, name);
    m_port =
        snd_seq_create_simple_port(m_seq, name, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC);
}

AlsaKeyboard::~AlsaKeyboard() {
    if (m_seq)
        snd_seq_close(m_seq);
}

int AlsaKeyboard::client() const {
    return m_seq ? snd_seq_client_id(m_seq) : -1;
}

void AlsaKeyboard::noteOn(int note) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_source(&event, m_port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    snd_seq_ev_set_noteon(&event, 0, note, 100);
    snd_seq_event_output_direct(m_seq, &event);
}

bool VirmidiCard::load() {
    if (virmidiCard() < 0 && std::system("modprobe snd-virmidi midi_devs=1") != 0)
        return false;
    return virmidiCard() >= 0 && unplug();
}

bool VirmidiCard::plug() {
    return virmidiCard() >= 0 || writeFile(std::string(VirmidiDriver) + "bind", VirmidiDevice);
}

bool VirmidiCard::unplug() {
    return virmidiCard() < 0 || writeFile(std::string(VirmidiDriver) + "unbind", VirmidiDevice);
}

bool VirmidiCard::noteOn(int note) {
    const int card = virmidiCard();
    if (card < 0)
        return false;
    snd_rawmidi_t* out = nullptr;
    const std::string name = "hw:" + std::to_string(card) + ",0";
    if (snd_rawmidi_open(nullptr, &out, name.c_str(), 0) < 0)
        return false;
    const unsigned char bytes[3] = {0x90, static_cast<unsigned char>(note), 0x7F};
    const bool written = snd_rawmidi_write(out, bytes, sizeof bytes) == sizeof bytes;
    snd_rawmidi_drain(out);
    snd_rawmidi_close(out);
    return written;
}

std::string VirmidiCard::clientName() {
    return "Virtual Raw MIDI " + std::to_string(virmidiCard()) + "-0";
}

ClientStarts::ClientStarts() {
    if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        m_seq = nullptr;
        return;
    }
    snd_seq_set_client_name(m_seq, "QVB test counter");
    const int port = snd_seq_create_simple_port(m_seq, "counter",
                                                SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                                SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0 || snd_seq_connect_from(m_seq, port, SND_SEQ_CLIENT_SYSTEM,
                                         SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
        snd_seq_close(m_seq);
        m_seq = nullptr;
    }
}

ClientStarts::~ClientStarts() {
    if (m_seq)
        snd_seq_close(m_seq);
}

int ClientStarts::take() {
    int starts = 0;
    m_news = 0;
    snd_seq_event_t* event = nullptr;
    for (;;) {
        const int got = snd_seq_event_input(m_seq, &event);
        if (got == -ENOSPC)
            continue; // an overrun: the count is a floor then
        if (got < 0 || !event)
            break;
        if (event->type == SND_SEQ_EVENT_CLIENT_START)
            ++starts;
        if (event->type >= SND_SEQ_EVENT_CLIENT_START && event->type <= SND_SEQ_EVENT_PORT_CHANGE)
            ++m_news;
        event = nullptr;
    }
    return starts;
}
