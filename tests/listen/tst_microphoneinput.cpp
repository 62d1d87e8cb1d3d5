// SPDX-License-Identifier: GPL-3.0-or-later
// The microphone as an input, fed offline: the game's own note heard through
// loudspeakers never answers; a pupil singing over it silences it and is
// judged; with headphones everything heard counts.
#include <QtTest>

#include <cmath>

#include "microphoneinput.h"
#include "testtone.h"

namespace {
constexpr double Rate = 48000;

std::vector<float> tone(double note, double peakDb, double ms) {
    return testTone(note, peakDb, ms, Rate);
}

std::vector<float> mix(std::vector<float> a, const std::vector<float>& b) {
    a.resize(std::max(a.size(), b.size()));
    for (std::size_t i = 0; i < b.size(); ++i)
        a[i] += b[i];
    return a;
}

struct Heard {
    std::vector<int> notes;
    static void proc(MidiInPort*, uint32_t id, uintptr_t instance, uint32_t message, uint32_t) {
        if (id == MIM_DATA && (message & 0xF0) == 0x90)
            reinterpret_cast<Heard*>(instance)->notes.push_back(int((message >> 8) & 0x7F));
    }
};

// The game as the microphone's input sees it: what it sends, and its note
// silenced when the input wishes so, as the device holder does at its next look.
struct Room {
    std::shared_ptr<ListenChoices> choices = std::make_shared<ListenChoices>();
    Heard heard;
    std::unique_ptr<MicrophoneInput> input;
    bool silenced = false;

    explicit Room(bool headphones) {
        choices->headphones = headphones;
        input = MicrophoneInput::create(Rate, &Heard::proc, reinterpret_cast<uintptr_t>(&heard),
                                        choices);
        input->start();
    }
    void gamePlays(int note) { input->outputSent(0x90 | uint32_t(note) << 8 | 127u << 16); }
    // Feeds `sound` in blocks of 10 ms; while the game's note still sounds,
    // `echo` is what the microphone hears of it on top.
    void hear(const std::vector<float>& sound, const std::vector<float>& echo = {}) {
        const std::size_t block = 480;
        for (std::size_t at = 0; at < sound.size(); at += block) {
            std::vector<float> part(sound.begin() + long(at),
                                    sound.begin() + long(std::min(sound.size(), at + block)));
            for (std::size_t i = 0; !silenced && i < part.size() && at + i < echo.size(); ++i)
                part[i] += echo[at + i];
            input->hear(part.data(), part.size());
            if (!silenced && input->wantsSilence()) {
                silenced = true;
                input->outputSent(0xB0 | 0x78u << 8);
            }
        }
    }
};
} // namespace

class TestMicrophoneInput : public QObject {
    Q_OBJECT
private slots:
    void gameNoteAndPupil_data();
    void gameNoteAndPupil();
    void answerTellsHowItWasGiven();
};

void TestMicrophoneInput::gameNoteAndPupil_data() {
    QTest::addColumn<bool>("headphones");
    QTest::addColumn<int>("gameNote"); // -1: the game plays nothing
    // How far the note sounds off its key, as a SoundFont's sample may lie.
    QTest::addColumn<int>("echoCents");
    // What the pupil sings: "NOTE DB FROM-TO [SWELL]" in ms after the game's
    // note, ";" between; SWELL: how long the voice takes to come in.
    QTest::addColumn<QString>("sung");
    QTest::addColumn<bool>("silenced");
    QTest::addColumn<QString>("expected");
    // The game's note comes back at -12 dB from the loudspeakers and rings on.
    QTest::newRow("loudspeakers: the game's own note never answers") << false << 60 << 0 << "" << false << "";
    QTest::newRow("loudspeakers: a low game note never answers") << false << 36 << 0 << "" << false << "";
    QTest::newRow("loudspeakers: a pupil over it is judged as the pupil")
        << false << 60 << 0 << "64 -6 500-1500" << true << "64";
    QTest::newRow("loudspeakers: the pupil singing the game's own note over it")
        << false << 67 << 0 << "67 -6 500-1500" << true << "67";
    QTest::newRow("loudspeakers: a semitone beside the game's note, quieter, is no answer")
        << false << 60 << 0 << "61 -18 500-1500" << false << "";
    QTest::newRow("loudspeakers: the pupil's last note rang into the game's next one")
        << false << 60 << 0 << "64 -6 0-700; 66 -6 1500-2300" << true << "66";
    QTest::newRow("loudspeakers: begun too early, then again after a breath")
        << false << 60 << 0 << "64 -6 50-700; 64 -6 2000-3000" << true << "64";
    QTest::newRow("loudspeakers: a choir swelling in slowly a fourth below the game's note")
        << false << 57 << 0 << "52 -12 600-1800 500" << false << "52";
    QTest::newRow("loudspeakers: ... a fifth above it")
        << false << 50 << 0 << "57 -12 600-1800 500" << false << "57";
    QTest::newRow("loudspeakers: the game's note well off its key never answers")
        << false << 60 << 35 << "" << false << "";
    // Held on over it, the pupil's note silences the game's, and is not judged twice.
    QTest::newRow("loudspeakers: a pupil over a game's note well off its key")
        << false << 60 << -35 << "53 -12 600-1800 500" << true << "53";
    QTest::newRow("headphones: whatever is heard counts") << true << 60 << 0 << "60 -12 500-1500" << false << "60";
    QTest::newRow("nothing played by the game: the pupil answers")
        << false << -1 << 0 << "62 -20 500-1500" << false << "62";
}

void TestMicrophoneInput::gameNoteAndPupil() {
    QFETCH(bool, headphones);
    QFETCH(int, gameNote);
    QFETCH(int, echoCents);
    QFETCH(QString, sung);
    QFETCH(bool, silenced);
    QFETCH(QString, expected);
    Room room(headphones);
    room.hear(std::vector<float>(4800)); // the room before
    std::vector<float> echo;
    if (gameNote >= 0) {
        room.gamePlays(gameNote);
        echo = tone(gameNote + echoCents / 100.0, -12, 4000);
    }
    std::vector<float> pupil(std::size_t(4.0 * Rate));
    for (const QString& part : sung.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = part.simplified().split(' ');
        const QStringList span = w[2].split('-');
        const auto from = std::size_t(span[0].toDouble() * Rate / 1000);
        auto voice = tone(w[0].toInt(), w[1].toDouble(), span[1].toDouble() - span[0].toDouble());
        const double swell = w.size() > 3 ? w[3].toDouble() * Rate / 1000 : 0;
        for (std::size_t i = 0; double(i) < swell && i < voice.size(); ++i)
            voice[i] *= float(double(i) / swell);
        std::copy(voice.begin(), voice.end(), pupil.begin() + long(from));
    }
    room.hear(pupil, echo);
    QStringList notes;
    for (int n : room.heard.notes)
        notes << QString::number(n);
    QCOMPARE(notes.join(' '), expected);
    QCOMPARE(room.silenced, silenced);
}

void TestMicrophoneInput::answerTellsHowItWasGiven() {
    Room room(true);
    room.choices->anyOctave = true;
    room.hear(tone(60.3, -10, 600)); // 30 cents sharp
    QCOMPARE(room.heard.notes, std::vector<int>{60});
    const TakenAnswer taken = room.input->latestAnswer();
    QCOMPARE(taken.way, AnswerWay::Microphone);
    QVERIFY2(std::abs(taken.cents - 30) <= 3, qPrintable(QString::number(taken.cents)));
    QVERIFY(taken.anyOctave);
    room.input->stop();
    room.hear(std::vector<float>(9600));
    room.hear(tone(64, -10, 600));
    QCOMPARE(room.heard.notes.size(), 1u); // a stopped input hands on nothing
}

QTEST_APPLESS_MAIN(TestMicrophoneInput)
#include "tst_microphoneinput.moc"
