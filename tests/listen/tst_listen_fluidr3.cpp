// SPDX-License-Identifier: GPL-3.0-or-later
// The listener on notes that no one here played: the built-in synthesizer
// renders them offline from FluidR3, a SoundFont recorded from real
// instruments (QVB_LISTEN_SOUNDFONT names its file; never the machine's
// default SoundFont). Noise, speech and a glide must give no answer. A pupil
// singing over the game's own note, heard through loudspeakers, is judged.
#include <QtTest>

#include "fluidsynthout.h"
#include "heardsounds.h"
#include "microphoneinput.h"
#include "notelistener.h"

namespace {
std::vector<HeardNote> heard(const std::vector<float>& sound, double rate) {
    auto listener = NoteListener::create(rate);
    std::vector<HeardNote> all;
    const std::size_t block = std::size_t(rate / 100); // 10 ms, as a capture stream delivers
    for (std::size_t at = 0; at < sound.size(); at += block) {
        const auto some = listener->listen(sound.data() + at, std::min(block, sound.size() - at));
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

QString describe(const std::vector<HeardNote>& notes) {
    QStringList list;
    for (const HeardNote& n : notes)
        list << QString("%1 (%2 ct)").arg(n.note).arg(n.cents, 0, 'f', 0);
    return list.isEmpty() ? QString("nothing") : list.join(", ");
}
} // namespace

class TestListenFluidR3 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playedNoteIsHeardOnItsKey_data();
    void playedNoteIsHeardOnItsKey();
    void pupilOverTheGamesNote_data();
    void pupilOverTheGamesNote();
    void noNoteIsHeardIn_data();
    void noNoteIsHeardIn();

private:
    std::unique_ptr<FluidSynthOut> m_synth;
};

void TestListenFluidR3::initTestCase() {
    const std::string soundFont = listeningSoundFont();
    if (soundFont.empty())
        QSKIP("QVB_LISTEN_SOUNDFONT names no file: unpack FluidR3_GM.sf2 from the package "
              "fluid-soundfont-gm (test.sh does) and name it there");
    m_synth = openListeningSynth(soundFont);
    QVERIFY2(m_synth, soundFont.c_str());
}

void TestListenFluidR3::playedNoteIsHeardOnItsKey_data() {
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("note");
    QTest::addColumn<int>("velocity");
    QTest::addColumn<bool>("vibrato");
    for (const ListeningProgram& p : ListeningPrograms)
        // 48: the choir's low c shows its octave through before it holds.
        for (int note : {36, 45, 48, 52, 60, 67, 72, 79, 84})
            for (int velocity : {60, 110})
                for (bool vibrato : {false, true})
                    QTest::addRow("%s %d v%d%s", p.name, note, velocity, vibrato ? " vibrato" : "")
                        << p.program << note << velocity << vibrato;
}

void TestListenFluidR3::playedNoteIsHeardOnItsKey() {
    QFETCH(int, program);
    QFETCH(int, note);
    QFETCH(int, velocity);
    QFETCH(bool, vibrato);
    PlayedNote played;
    played.program = program;
    played.note = note;
    played.velocity = velocity;
    played.vibrato = vibrato;
    const auto notes = heard(renderNote(*m_synth, played), m_synth->sampleRate());
    // Not yet heard right: the voice's highest sample.
    const QString row = QTest::currentDataTag();
    if (row.section(" v", 0, 0) == "Voice Oohs 84")
        QEXPECT_FAIL("", "the listener does not hear this sample as one note yet", Continue);
    // One note held is one answer, on its key.
    QVERIFY2(notes.size() == 1 && notes[0].note == note, qPrintable(describe(notes)));
    if (notes.empty())
        return;
    QVERIFY(notes[0].atSample > onsetSample(played, m_synth->sampleRate()));
}

void TestListenFluidR3::pupilOverTheGamesNote_data() {
    QTest::addColumn<int>("gameProgram");
    QTest::addColumn<int>("gameNote");
    QTest::addColumn<int>("pupilProgram");
    QTest::addColumn<int>("pupilNote");
    // The choir's low vibrato swings from 50 cents below the key to 26 above.
    QTest::newRow("a choir's wide vibrato, once the game's note is silenced")
        << 0 << 48 << 52 << 43;
    // The choir swells in too slowly to open the gate, and the two notes
    // together have no steady pitch.
    QTest::newRow("a choir swelling in a fourth below a flute") << 73 << 52 << 52 << 47;
    QTest::newRow("a choir swelling in a fifth above a flute") << 73 << 56 << 52 << 63;
    QTest::newRow("a choir swelling in a fifth above a voice") << 53 << 48 << 52 << 55;
}

void TestListenFluidR3::pupilOverTheGamesNote() {
    QFETCH(int, gameProgram);
    QFETCH(int, gameNote);
    QFETCH(int, pupilProgram);
    QFETCH(int, pupilNote);
    const double rate = m_synth->sampleRate();
    // The game's note held, back from the loudspeakers at -12 dBFS; the pupil
    // at -6 dBFS, 0.7 s into it.
    const PlayedNote game{gameProgram, gameNote, 110, false, 100, 3000, 300};
    auto echo = renderNote(*m_synth, game);
    scaleToPeak(echo, -12);
    auto voice = renderNote(*m_synth, {pupilProgram, pupilNote, 100, true, 800, 900, 200});
    scaleToPeak(voice, -6);
    std::vector<int> answers;
    auto choices = std::make_shared<ListenChoices>();
    auto input = MicrophoneInput::create(
        rate,
        [](MidiInPort*, uint32_t id, uintptr_t instance, uint32_t message, uint32_t) {
            if (id == MIM_DATA && (message & 0xF0) == 0x90)
                reinterpret_cast<std::vector<int>*>(instance)->push_back(int(message >> 8 & 0x7F));
        },
        reinterpret_cast<uintptr_t>(&answers), choices);
    QVERIFY(input);
    input->start();
    // The game's note reaches the loudspeakers 30 ms after it is sent.
    const std::size_t sentAt = onsetSample(game, rate) - std::size_t(0.03 * rate);
    const std::size_t block = std::size_t(rate / 100);
    bool silent = false;
    std::vector<float> part(block);
    for (std::size_t at = 0; at < echo.size(); at += block) {
        if (at <= sentAt && sentAt < at + block)
            input->outputSent(0x90 | uint32_t(gameNote) << 8 | 127u << 16);
        const std::size_t count = std::min(block, echo.size() - at);
        for (std::size_t i = 0; i < count; ++i)
            part[i] = (at + i < voice.size() ? voice[at + i] : 0.0f) + (silent ? 0.0f : echo[at + i]);
        input->hear(part.data(), count);
        if (!silent && input->wantsSilence()) {
            silent = true; // as the game silences its note on whatever output it uses
            input->outputSent(0xB0 | 0x78u << 8);
        }
    }
    QCOMPARE(answers, std::vector<int>{pupilNote});
}

void TestListenFluidR3::noNoteIsHeardIn_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("pink noise at -30 dBFS, 10 s") << 0;
    QTest::newRow("German speech") << 1;
    QTest::newRow("a violin gliding up an octave in a second") << 2;
    QTest::newRow("a voice gliding down a fifth in 400 ms") << 3;
    QTest::newRow("a flute gliding up an octave in 1.5 s") << 4;
}

void TestListenFluidR3::noNoteIsHeardIn() {
    QFETCH(int, kind);
    const double rate = m_synth->sampleRate();
    std::vector<float> sound;
    switch (kind) {
    case 0:
        sound = pinkNoise(10, rate, -30, 7);
        break;
    case 1:
        sound = germanSpeech("Guten Morgen. Heute üben wir das Hören. Wer den Ton richtig "
                             "erkennt, bekommt einen Punkt, und dann geht es weiter.",
                             rate);
        if (sound.empty())
            QSKIP("espeak-ng is not installed");
        scaleToPeak(sound, -6);
        break;
    case 2:
        sound = renderGlide(*m_synth, 40, 55, 67, 1000);
        break;
    case 3:
        sound = renderGlide(*m_synth, 53, 67, 60, 400);
        break;
    case 4:
        sound = renderGlide(*m_synth, 73, 62, 74, 1500);
        break;
    }
    const auto notes = heard(sound, rate);
    QVERIFY2(notes.empty(), qPrintable(describe(notes)));
}

QTEST_APPLESS_MAIN(TestListenFluidR3)
#include "tst_listen_fluidr3.moc"
