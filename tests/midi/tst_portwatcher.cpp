// SPDX-License-Identifier: GPL-3.0-or-later
// News of ports on their way to the window's thread: a burst is listed once,
// and a steady stream of news still has the ports listed.
#include <QtTest>

#include "mididevices.h"
#include "portwatcher.h"

namespace {
// A platform whose news the test makes; one output that always opens.
class NewsPlatform final : public MidiPlatform {
public:
    PortsChangedFn changed;

    unsigned outCount() override { return 1; }
    unsigned inCount() override { return 0; }
    bool outName(unsigned device, std::string& name) override {
        name = "Out";
        return device == 0;
    }
    bool inName(unsigned, std::string&) override { return false; }
    std::unique_ptr<MidiOutPort> openOut(unsigned) override { return std::make_unique<Out>(); }
    std::unique_ptr<MidiInPort> openIn(unsigned, MidiInProc, uintptr_t) override { return {}; }
    void watchPorts(PortsChangedFn fn) override { changed = std::move(fn); }

private:
    struct Out final : MidiOutPort {
        void sendShort(uint32_t) override {}
    };
};
} // namespace

class TestPortWatcher : public QObject {
    Q_OBJECT
private slots:
    void burstOfNewsIsListedOnce();
    void steadyStreamOfNewsIsStillListed();
};

void TestPortWatcher::burstOfNewsIsListedOnce() {
    NewsPlatform platform;
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    PortWatcher watcher(midi);
    watcher.start();
    QVERIFY(platform.changed);
    for (int k = 0; k < 20; ++k)
        platform.changed(); // a client with many ports
    QTRY_COMPARE(watcher.listings(), 1);
    QTest::qWait(2 * PortWatcher::SettleMs);
    QCOMPARE(watcher.listings(), 1);
}

// A program that adds and removes ports without pause must not keep a
// keyboard plugged meanwhile from being taken.
void TestPortWatcher::steadyStreamOfNewsIsStillListed() {
    NewsPlatform platform;
    MidiDevices midi(platform);
    midi.OpenDevices("QVB-Zaradariveda", {}, {});
    PortWatcher watcher(midi);
    watcher.start();
    QTimer stream;
    stream.setInterval(PortWatcher::SettleMs / 3);
    connect(&stream, &QTimer::timeout, [&] { platform.changed(); });
    stream.start();
    // Far longer than the longest wait, so that a busy machine still sees it.
    QTRY_VERIFY_WITH_TIMEOUT(watcher.listings() >= 1, 8 * PortWatcher::MaxWaitMs);
    stream.stop();
}

QTEST_GUILESS_MAIN(TestPortWatcher)
#include "tst_portwatcher.moc"
