// SPDX-License-Identifier: GPL-3.0-or-later
// Who a port is after instruments came and went: the name and, on the ALSA
// sequencer, the address; and when a link of ours to an address is cut.
#include <QtTest>

#include "portnames.h"
#include "sequencerexits.h"

namespace {
const std::string TwinA = "0|Piano:Piano MIDI 1 24:0";
const std::string TwinB = "0|Piano:Piano MIDI 1 28:0";
const std::string Through = "0|Midi Through:Midi Through Port-0 14:0";
const std::string Jack = "1|a2j:Piano [24] (capture): Piano MIDI 1";
} // namespace

class TestPortIdentity : public QObject {
    Q_OBJECT
private slots:
    void findIdentity_data();
    void findIdentity();
    void alsaAddress_data();
    void alsaAddress();
    void linkIsCutByAnEndOfItsAddressOnly();
};

void TestPortIdentity::findIdentity_data() {
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("identity");
    QTest::addColumn<int>("found");
    const auto q = [](const std::string& text) { return QString::fromStdString(text); };
    const QStringList twins{q(Through), q(TwinA), q(TwinB)};
    QTest::newRow("two of one name: the address decides, first") << twins << q(TwinA) << 1;
    QTest::newRow("two of one name: the address decides, second") << twins << q(TwinB) << 2;
    QTest::newRow("only the name returns: the name decides")
        << QStringList{q(Through), q(TwinB)} << q("0|Piano:Piano MIDI 1 31:0") << 1;
    QTest::newRow("the other twin stands in for the one gone")
        << QStringList{q(Through), q(TwinB)} << q(TwinA) << 1;
    QTest::newRow("gone altogether") << QStringList{q(Through)} << q(TwinA) << -1;
    QTest::newRow("another system, same name")
        << QStringList{q("1|Piano:Piano MIDI 1 24:0")} << q(TwinA) << -1;
    QTest::newRow("JACK names have no address") << QStringList{q(TwinA), q(Jack)} << q(Jack) << 1;
    QTest::newRow("no identity finds nothing") << QStringList{q(""), q(TwinA)} << q("") << -1;
}

void TestPortIdentity::findIdentity() {
    QFETCH(QStringList, list);
    QFETCH(QString, identity);
    QFETCH(int, found);
    std::vector<std::string> identities;
    for (const QString& entry : list)
        identities.push_back(entry.toStdString());
    QCOMPARE(::findIdentity(identities, identity.toStdString()), found);
}

void TestPortIdentity::alsaAddress_data() {
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<bool>("hasAddress");
    QTest::addColumn<int>("client");
    QTest::addColumn<int>("port");
    QTest::newRow("a keyboard") << "Piano:Piano MIDI 1 24:0" << true << 24 << 0;
    QTest::newRow("a virtual card") << "Virtual Raw MIDI 1-0:VirMIDI 1-0 20:0" << true << 20 << 0;
    QTest::newRow("a program's second port") << "Synth:out 2 130:1" << true << 130 << 1;
    QTest::newRow("a JACK port") << "system:midi_capture_1" << false << 0 << 0;
    QTest::newRow("more digits than a number holds")
        << "Piano:Piano 99999999999999999999:0" << false << 0 << 0;
    QTest::newRow("no port number") << "Piano:Piano 24:" << false << 0 << 0;
}

void TestPortIdentity::alsaAddress() {
    QFETCH(QString, fullName);
    QFETCH(bool, hasAddress);
    int client = 0, port = 0;
    QCOMPARE(alsaAddressOf(fullName.toStdString(), client, port), hasAddress);
    if (hasAddress) {
        QTEST(client, "client");
        QTEST(port, "port");
    }
}

// A USB keyboard pulled out and put back gets its old address again: only
// the end told in between says that the old link leads nowhere.
void TestPortIdentity::linkIsCutByAnEndOfItsAddressOnly() {
    auto exits = std::make_shared<SequencerExits>();
    const SequencerLink keyboard(exits, "Virtual Raw MIDI 1-0:VirMIDI 1-0 20:0");
    const SequencerLink program(exits, "Synth:out 130:1");
    const SequencerLink jack(exits, "system:midi_capture_1");
    exits->portExited(20, 1);
    exits->portExited(130, 0);
    exits->clientExited(21);
    QVERIFY(!keyboard.cut());
    QVERIFY(!program.cut());
    exits->clientExited(20);
    QVERIFY(keyboard.cut());
    exits->portExited(130, 1);
    QVERIFY(program.cut());
    QVERIFY(!jack.cut());
    const SequencerLink reopened(exits, "Virtual Raw MIDI 1-0:VirMIDI 1-0 20:0");
    QVERIFY(!reopened.cut());
    QVERIFY(!SequencerLink().cut());
}

QTEST_GUILESS_MAIN(TestPortIdentity)
#include "tst_portidentity.moc"
