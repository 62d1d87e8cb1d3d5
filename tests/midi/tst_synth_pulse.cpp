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
};

// What reaches the sink while `play` runs and 700 ms after.
Heard listen(const PulseServer& server, const std::function<void()>& play) {
    const double rate = PulseServer::RecordRate;
    const auto samples = server.record(play, 700);
    Heard heard;
    if (rate <= 0 || samples.size() < std::size_t(rate * 0.4))
        return heard;
    heard.loudness = rms(samples, 0, samples.size());
    // The tone's steady part, past the attack.
    const std::vector<float> tone(samples.end() - std::ptrdiff_t(rate * 0.3), samples.end());
    heard.hz = fundamentalHz(tone, rate);
    return heard;
}
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
    Heard heard = listen(*m_server, violinA);
    QVERIFY2(std::abs(heard.hz - 440.0) < 8.0, qPrintable(QString::number(heard.hz)));

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
    const Heard quiet = listen(*m_server, {});
    QVERIFY2(quiet.loudness < 0.002, qPrintable(QString::number(quiet.loudness) + " hz " + QString::number(quiet.hz)));
    heard = listen(*m_server, violinA);
    QVERIFY2(std::abs(heard.hz - 440.0) < 8.0, qPrintable(QString::number(heard.hz)));
    QVERIFY(heard.loudness > 0.005);
}

QTEST_GUILESS_MAIN(TestSynthPulse)
#include "tst_synth_pulse.moc"
