// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer on a real PulseAudio server, as on a desktop:
// heard with nothing set, and heard again after the server was killed and
// started anew (PipeWire restarting after an update does the same to it).
#include <QtTest>

#include <QElapsedTimer>
#include <cstdlib>

#include "fluidsynthout.h"
#include "pitchmeter.h"
#include "pulseserver.h"

namespace {
struct Heard {
    double hz = 0;
    double loudness = 0;
    QString said; // what was recorded, for a failure's message
};

// What reaches the sink while `play` runs and `ms` after: the loudness of all
// of it, the pitch of its last 300 ms.
Heard listen(const PulseServer& server, const std::function<void()>& play, int ms) {
    const double rate = PulseServer::RecordRate;
    const auto samples = server.record(play, ms);
    Heard heard;
    std::size_t onset = 0;
    while (onset < samples.size() && std::abs(samples[onset]) < 0.01f)
        ++onset;
    heard.said = QString("%1 ms recorded, sound from %2 ms").arg(samples.size() * 1000.0 / rate).arg(onset * 1000.0 / rate);
    if (rate <= 0 || samples.size() < std::size_t(rate * 0.4))
        return heard;
    heard.loudness = rms(samples, 0, samples.size());
    const std::vector<float> tone(samples.end() - std::ptrdiff_t(rate * 0.3), samples.end());
    heard.hz = fundamentalHz(tone, rate);
    heard.said += QString(", loudness %1, %2 Hz at the end").arg(heard.loudness).arg(heard.hz);
    return heard;
}

// A held violin a' is looked for in the steady part a second and a half
// after its note-on: a busy machine may start the server's stream late, and
// what counts here is that the tone arrives through the server at all.
constexpr int ToneMs = 1500;
} // namespace

class TestSynthPulse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void heardThroughTheServerAndAgainAfterItsRestart();

private:
    std::unique_ptr<PulseServer> m_server;
};

void TestSynthPulse::initTestCase() {
    ::unsetenv("QVB_SYNTH_AUDIO"); // the drivers in the program's own order
    m_server = std::make_unique<PulseServer>();
    QVERIFY2(m_server->running(), "pulseaudio did not start: run scripts/install-deps.sh");
}

void TestSynthPulse::heardThroughTheServerAndAgainAfterItsRestart() {
    const SynthConfig config = SynthConfig::fromEnvironment();
    QVERIFY(config.audio.empty());
    auto synth = FluidSynthOut::open(config);
    QVERIFY(synth);
    QCOMPARE(synth->driverName(), std::string("pulseaudio"));
    QVERIFY(!synth->soundFont().empty());
    auto violinA = [&synth] {
        synth->sendShort(packShortMessage(0xB0, 0x78, 0));
        synth->sendShort(packShortMessage(0xC0, 40, 0));
        synth->sendShort(packShortMessage(0x90, 69, 127));
    };
    Heard heard = listen(*m_server, violinA, ToneMs);
    QVERIFY2(std::abs(heard.hz - 440.0) < 8.0, qPrintable(heard.said));

    m_server->kill();
    QTRY_VERIFY_WITH_TIMEOUT(synth->driverName().empty(), 5000); // the dead driver is gone
    synth->sendShort(packShortMessage(0x90, 60, 127)); // played to nobody: dropped

    QElapsedTimer clock;
    QVERIFY(m_server->start());
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(!synth->driverName().empty(), 10000);
    qInfo("the synthesizer plays again %lld ms after the server answers",
          static_cast<long long>(clock.elapsed()));
    QCOMPARE(synth->driverName(), std::string("pulseaudio"));

    // The c' sent meanwhile does not come out late.
    const Heard quiet = listen(*m_server, {}, 700);
    QVERIFY2(quiet.loudness < 0.002, qPrintable(quiet.said));
    heard = listen(*m_server, violinA, ToneMs);
    QVERIFY2(std::abs(heard.hz - 440.0) < 8.0, qPrintable(heard.said));
    QVERIFY2(heard.loudness > 0.005, qPrintable(heard.said));
}

QTEST_GUILESS_MAIN(TestSynthPulse)
#include "tst_synth_pulse.moc"
