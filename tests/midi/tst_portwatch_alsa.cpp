// SPDX-License-Identifier: GPL-3.0-or-later
// Instruments that come and go on the ALSA sequencer: the same keeping as on
// JACK, told by the sequencer's announce port. Needs /dev/snd/seq, which
// containers and build machines often lack; skipped there.
#include <QtTest>

#include <alsa/asoundlib.h>
#include <memory>
#include <unistd.h>

#include "mididevices.h"
#include "portwatcher.h"
#include "systemmidi.h"

namespace {
// A keyboard made with the sequencer itself: one port others can read from.
class AlsaKeyboard {
public:
    explicit AlsaKeyboard(const char* name) {
        if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
            m_seq = nullptr;
            return;
        }
        snd_seq_set_client_name(m_seq, name);
        m_port = snd_seq_create_simple_port(m_seq, name,
                                            SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                            SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    }
    ~AlsaKeyboard() {
        if (m_seq)
            snd_seq_close(m_seq);
    }
    bool ok() const { return m_seq && m_port >= 0; }
    void noteOn(int note) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_source(&event, m_port);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        snd_seq_ev_set_noteon(&event, 0, note, 100);
        snd_seq_event_output_direct(m_seq, &event);
    }

private:
    snd_seq_t* m_seq = nullptr;
    int m_port = -1;
};
} // namespace

class TestPortWatchAlsa : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (::access("/dev/snd/seq", R_OK | W_OK) != 0)
            QSKIP("no ALSA sequencer here (/dev/snd/seq); the JACK tests carry the proof");
    }
    void keyboardPluggedInLateAndAgain();
};

void TestPortWatchAlsa::keyboardPluggedInLateAndAgain() {
    SynthConfig silent;
    silent.soundFont = "/nonexistent/none.sf2";
    silent.soundFontRoot = "";
    SystemMidi platform(silent);
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    PortWatcher watcher(midi);
    watcher.start();

    auto keyboard = std::make_unique<AlsaKeyboard>("QVB test keyboard");
    QVERIFY(keyboard->ok());
    QTRY_VERIFY_WITH_TIMEOUT(midi.inputWorks() &&
                                 midi.inIdentity.find("QVB test keyboard") != std::string::npos,
                             5000);
    midi.inputReset(); // a round runs
    midi.clearMailbox();
    midi.inputStart();
    keyboard->noteOn(60);
    QTRY_COMPARE_WITH_TIMEOUT(midi.takeNote(), 60, 5000);

    keyboard.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!midi.lostInIdentity.empty(), 5000);
    keyboard = std::make_unique<AlsaKeyboard>("QVB test keyboard");
    QTRY_VERIFY_WITH_TIMEOUT(midi.inputWorks() && midi.lostInIdentity.empty(), 5000);
    keyboard->noteOn(62);
    QTRY_COMPARE_WITH_TIMEOUT(midi.takeNote(), 62, 5000);
}

QTEST_GUILESS_MAIN(TestPortWatchAlsa)
#include "tst_portwatch_alsa.moc"
