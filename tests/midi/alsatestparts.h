// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <alsa/asoundlib.h>
#include <string>
#include <unistd.h>

// Parts of the ALSA tests, made with the sequencer itself.

// A keyboard of the test's own: one sequencer client with one port others
// can read from, named as a USB keyboard's would be.
class AlsaKeyboard {
public:
    explicit AlsaKeyboard(const char* name);
    ~AlsaKeyboard();
    AlsaKeyboard(const AlsaKeyboard&) = delete;
    AlsaKeyboard& operator=(const AlsaKeyboard&) = delete;
    bool ok() const { return m_seq && m_port >= 0; }
    int client() const;
    void noteOn(int note);

private:
    snd_seq_t* m_seq = nullptr;
    int m_port = -1;
};

// The virtual MIDI card of the kernel (snd-virmidi, one port): plugged and
// unplugged as a USB keyboard is, by binding its platform device to its
// driver and unbinding it. Notes go in through its raw MIDI device, as a
// keyboard's would come in over the cable.
class VirmidiCard {
public:
    static bool load(); // the module, then unplugged until plug()
    static bool plug();
    static bool unplug();
    static bool noteOn(int note);
    static std::string clientName(); // "Virtual Raw MIDI 1-0"
};

// Counts the sequencer clients that start, as the announce port tells it
// every subscriber.
class ClientStarts {
public:
    ClientStarts();
    ~ClientStarts();
    ClientStarts(const ClientStarts&) = delete;
    ClientStarts& operator=(const ClientStarts&) = delete;
    bool ok() const { return m_seq != nullptr; }
    // The starts announced since the last call, other than this counter's own.
    int take();
    // All announcements (clients and ports that start, end or change) up to that call.
    int news() const { return m_news; }

private:
    snd_seq_t* m_seq = nullptr;
    int m_news = 0;
};

// For a test's initTestCase: skips where there is no ALSA sequencer (outside
// the tests' guest), else loads the virtual MIDI card, unplugged.
#define QVB_NEED_VIRTUAL_MIDI_CARD()                                                             \
    do {                                                                                         \
        if (::access("/dev/snd/seq", R_OK | W_OK) != 0)                                          \
            QSKIP("no ALSA sequencer here (/dev/snd/seq); the JACK tests carry the proof");     \
        QVERIFY2(VirmidiCard::load(), "the kernel's virtual MIDI card (snd-virmidi)");          \
    } while (false)
