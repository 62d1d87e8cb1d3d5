// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer on a real PulseAudio server, as on a desktop:
// heard with nothing set, and heard again after the server was killed and
// started anew (PipeWire restarting after an update does the same to it),
// by hand or, socket-activated, by the next knock on the socket held for it.
#include <QtTest>

#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
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
// of it, and the pitch of its last second, the median of ten stretches. A
// machine whose host stalls it now and then makes the server drop a few
// milliseconds of the stream; a stretch without such a gap still shows the tone.
Heard listen(const PulseServer& server, const std::function<void()>& play, int ms) {
    const double rate = PulseServer::RecordRate;
    const auto samples = server.record(play, ms);
    Heard heard;
    std::size_t onset = 0;
    while (onset < samples.size() && std::abs(samples[onset]) < 0.01f)
        ++onset;
    std::size_t end = samples.size();
    while (end > onset && std::abs(samples[end - 1]) < 0.01f)
        --end;
    int gaps = 0; // 2 ms or more of silence once the sound had begun
    std::size_t silent = 0;
    for (std::size_t i = onset; i < end; ++i) {
        silent = std::abs(samples[i]) < 0.001f ? silent + 1 : 0;
        gaps += silent == std::size_t(rate * 0.002);
    }
    heard.said = QString("%1 ms recorded, sound from %2 ms to %3 ms with %4 gaps")
                     .arg(samples.size() * 1000.0 / rate)
                     .arg(onset * 1000.0 / rate)
                     .arg(end * 1000.0 / rate)
                     .arg(gaps);
    if (rate <= 0 || samples.size() < std::size_t(rate * 0.4))
        return heard;
    heard.loudness = rms(samples, 0, samples.size());
    heard.said += QString(", loudness %1").arg(heard.loudness);
    const std::size_t stretch = std::size_t(rate * 0.1);
    if (samples.size() < 10 * stretch)
        return heard;
    std::vector<double> pitches;
    for (std::size_t at = samples.size() - 10 * stretch; at + stretch <= samples.size();
         at += stretch)
        pitches.push_back(fundamentalHz(
            {samples.begin() + std::ptrdiff_t(at), samples.begin() + std::ptrdiff_t(at + stretch)},
            rate));
    QStringList shown;
    for (double hz : pitches)
        shown << QString::number(hz, 'f', 0);
    std::nth_element(pitches.begin(), pitches.begin() + 5, pitches.end());
    heard.hz = pitches[5];
    heard.said += QString(", the last second in Hz: %1").arg(shown.join(' '));
    qInfo("%s", qPrintable(heard.said));
    return heard;
}

// A held violin a' is looked for in the second before a second and a half
// after its note-on: a busy machine may start the server's stream late, and
// what counts here is that the tone arrives through the server at all.
constexpr int ToneMs = 1500;
} // namespace

class TestSynthPulse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void heardThroughTheServerAndAgainAfterItsRestart_data();
    void heardThroughTheServerAndAgainAfterItsRestart();
};

void TestSynthPulse::initTestCase() {
    ::unsetenv("QVB_SYNTH_AUDIO"); // the drivers in the program's own order
}

void TestSynthPulse::heardThroughTheServerAndAgainAfterItsRestart_data() {
    using Kind = PulseServer::Kind;
    QTest::addColumn<PulseServer::Start>("how");
    QTest::addColumn<PulseServer::Kind>("kind");
    QTest::newRow("PulseAudio") << PulseServer::Start::ByItself << Kind::PulseAudio;
    // As the desktop runs it: the socket stays, with its inode, and still
    // answers while no server runs; only the driver can tell that it went.
    QTest::newRow("PulseAudio, socket-activated")
        << PulseServer::Start::OnKnock << Kind::PulseAudio;
    QTest::newRow("pipewire-pulse") << PulseServer::Start::ByItself << Kind::PipeWire;
    QTest::newRow("pipewire-pulse, socket-activated")
        << PulseServer::Start::OnKnock << Kind::PipeWire;
}

void TestSynthPulse::heardThroughTheServerAndAgainAfterItsRestart() {
    QFETCH(PulseServer::Start, how);
    QFETCH(PulseServer::Kind, kind);
    PulseServer server(how, kind);
    QVERIFY2(server.running(), "the sound server did not start: run scripts/install-deps.sh");
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
    Heard heard = listen(server, violinA, ToneMs);
    heard.said += QString(", the driver started anew %1 times").arg(synth->audioRestarts());
    QVERIFY2(std::abs(heard.hz - 440.0) < 8.0, qPrintable(heard.said));
    // A live server is never given up: that would cut the sounding note.
    QCOMPARE(synth->audioRestarts(), 0);

    QElapsedTimer sinceCrash;
    server.kill();
    sinceCrash.start();
    if (how == PulseServer::Start::ByItself) {
        QTRY_VERIFY_WITH_TIMEOUT(synth->driverName().empty(), 5000); // the dead driver is gone
        synth->sendShort(packShortMessage(0x90, 60, 127));           // played to nobody: dropped
        QVERIFY(server.start());
    }
    QElapsedTimer sinceServer;
    sinceServer.start();
    // Socket-activated, the driver's own knock starts the new server.
    QTRY_VERIFY_WITH_TIMEOUT(synth->audioRestarts() == 1, 10000);
    if (how == PulseServer::Start::OnKnock)
        QCOMPARE(server.knockStarts(), 2);
    const qint64 serverMs = how == PulseServer::Start::OnKnock
                                ? std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - server.lastKnockStart())
                                      .count()
                                : sinceServer.elapsed();
    qInfo("the synthesizer plays again %lld ms after the crash, %lld ms after the new server "
          "started",
          static_cast<long long>(sinceCrash.elapsed()), static_cast<long long>(serverMs));
    QVERIFY2(serverMs <= 2000, "heard again later than 2 s after the new server");
    QCOMPARE(synth->driverName(), std::string("pulseaudio"));

    // The c' sent meanwhile does not come out late.
    const Heard quiet = listen(server, {}, 700);
    QVERIFY2(quiet.loudness < 0.002, qPrintable(quiet.said));
    heard = listen(server, violinA, ToneMs);
    QVERIFY2(std::abs(heard.hz - 440.0) < 8.0, qPrintable(heard.said));
    QVERIFY2(heard.loudness > 0.005, qPrintable(heard.said));
    QCOMPARE(synth->audioRestarts(), 1);
}

QTEST_GUILESS_MAIN(TestSynthPulse)
#include "tst_synth_pulse.moc"
