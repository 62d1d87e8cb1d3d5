// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI settings dialog against a recording MIDI platform: which buttons
// it makes, where, and what OK, Abbrechen, Escape and the close box do to the
// device holder.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "cmidisettings.h"
#include "dialogtemplate.h"
#include "mididevices.h"

namespace {

// Records every open, close, start and message as one line of a log.
class RecordingPlatform final : public MidiPlatform {
public:
    QStringList outs; // a null entry: that device's name cannot be read
    QStringList ins;
    QStringList log;

    unsigned outCount() override { return unsigned(outs.size()); }
    unsigned inCount() override { return unsigned(ins.size()); }
    bool outName(unsigned device, std::string& name) override { return nameOf(outs, device, name); }
    bool inName(unsigned device, std::string& name) override { return nameOf(ins, device, name); }

    std::unique_ptr<MidiOutPort> openOut(unsigned device) override {
        if (device >= outCount())
            return nullptr;
        log << QStringLiteral("openOut %1").arg(device);
        return std::make_unique<Out>(log, device);
    }
    std::unique_ptr<MidiInPort> openIn(unsigned device, MidiInProc, uintptr_t) override {
        if (device >= inCount())
            return nullptr;
        log << QStringLiteral("openIn %1").arg(device);
        return std::make_unique<In>(log, device);
    }

private:
    static bool nameOf(const QStringList& names, unsigned device, std::string& name) {
        if (device >= unsigned(names.size()) || names[device].isNull())
            return false;
        name = names[device].toStdString();
        return true;
    }

    struct Out final : MidiOutPort {
        Out(QStringList& l, unsigned d) : log(l), device(d) {}
        ~Out() override { log << QStringLiteral("closeOut %1").arg(device); }
        void sendShort(uint32_t m) override {
            log << QStringLiteral("send %1 %2").arg(device).arg(m, 6, 16, QLatin1Char('0'));
        }
        QStringList& log;
        unsigned device;
    };
    struct In final : MidiInPort {
        In(QStringList& l, unsigned d) : log(l), device(d) {}
        ~In() override { log << QStringLiteral("closeIn %1").arg(device); }
        void reset() override { log << QStringLiteral("resetIn %1").arg(device); }
        void start() override { log << QStringLiteral("startIn %1").arg(device); }
        void stop() override { log << QStringLiteral("stopIn %1").arg(device); }
        QStringList& log;
        unsigned device;
    };
};

QStringList names(const char* prefix, int count) {
    QStringList list;
    for (int k = 0; k < count; ++k)
        list << QStringLiteral("%1 %2").arg(QLatin1String(prefix)).arg(k);
    return list;
}

// A platform with the given devices, a holder that opened them as at start-up
// and switched to the given devices in use, and a dialog linked to it. The
// log starts empty.
struct Fixture {
    RecordingPlatform platform;
    std::unique_ptr<MidiDevices> midi;
    CMidiSettings dialog;
    QStringList messages; // "title|text|owner is the dialog"

    Fixture(const QStringList& outs, const QStringList& ins, int outInUse = 0, int inInUse = 0) {
        platform.outs = outs;
        platform.ins = ins;
        midi = std::make_unique<MidiDevices>(platform);
        midi->OpenDevices(
            "QVB-Zaradariveda", [](const std::string&, const std::string&) {}, [] {});
        if (outInUse != midi->outDevice)
            midi->reopenOutput(outInUse);
        if (inInUse != midi->inDevice)
            midi->reopenInput(inInUse);
        platform.log.clear();
        dialog.setDevices(midi.get());
        dialog.setMessageFn([this](QWidget* owner, const QString& text, const QString& title) {
            messages << title + QLatin1Char('|') + text + QLatin1Char('|') +
                            (owner == &dialog ? QStringLiteral("owned") : QStringLiteral("?"));
        });
    }

    // Opens the dialog modally, runs `whileOpen` inside it, and makes sure it
    // closes (Abbrechen) should `whileOpen` leave it open.
    int run(const std::function<void()>& whileOpen) {
        QTimer::singleShot(0, &dialog, [this, whileOpen] {
            whileOpen();
            if (dialog.isVisible())
                dialog.reject();
        });
        return dialog.exec();
    }

    QRadioButton* button(int id) const { return controlAs<QRadioButton>(&dialog, id); }
    void click(int id) const {
        QWidget* w = control(&dialog, id);
        QVERIFY2(w, qPrintable(QStringLiteral("no control %1").arg(id)));
        // Near the left edge: a radio button takes clicks on its circle and caption only.
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
    }
    void close(const QString& how) {
        if (how == QLatin1String("OK"))
            click(1);
        else if (how == QLatin1String("Enter"))
            QTest::keyClick(&dialog, Qt::Key_Return);
        else if (how == QLatin1String("Abbrechen"))
            click(2);
        else if (how == QLatin1String("Escape"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else if (how == QLatin1String("close box"))
            dialog.close();
    }
};

} // namespace

class TestMidiSettings : public QObject {
    Q_OBJECT
private slots:
    void closingAppliesOnlyAChangedChoiceOnOk_data();
    void closingAppliesOnlyAChangedChoiceOnOk();
    void theDeviceChosenIsTheOneOpenedWhateverCameAndWent_data();
    void theDeviceChosenIsTheOneOpenedWhateverCameAndWent();
    void devicesGetOneButtonPerRow_data();
    void devicesGetOneButtonPerRow();
    void nextOpeningChecksTheDeviceInUseAgain();
    void everyOpeningReadsTheListsAfresh();
    void noOutputShowsTheInfoMessageThenAnEmptyColumn();
    void noOutputMessageIsAPlainOwnedBox();
    void opensAtTemplateSizeWithOkFocusedAndTextsWhole();
    void dialogGrowsSoEveryRowIsReachable_data();
    void dialogGrowsSoEveryRowIsReachable();
    void outputsBeyondTheIdRangeGetNoButton();
};

void TestMidiSettings::closingAppliesOnlyAChangedChoiceOnOk_data() {
    QTest::addColumn<int>("outputs");
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("outInUse");
    QTest::addColumn<int>("inInUse");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("closing");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("outAfter");
    QTest::addColumn<int>("inAfter");

    const QStringList none;
    QTest::newRow("OK, nothing clicked")
        << 3 << 2 << 0 << 0 << QList<int>{} << "OK" << none << 0 << 0;
    QTest::newRow("devices in use clicked, OK")
        << 3 << 2 << 1 << 1 << QList<int>{20002, 20101} << "OK" << none << 1 << 1;
    QTest::newRow("elsewhere and back, OK")
        << 3 << 2 << 0 << 0 << QList<int>{20003, 20001, 20101, 20100} << "OK" << none << 0 << 0;
    // No program change after the switch, and the new input is not started.
    QTest::newRow("other output, OK") << 3 << 2 << 0 << 0 << QList<int>{20003} << "OK"
                                      << QStringList{"closeOut 0", "openOut 2"} << 2 << 0;
    QTest::newRow("back to output 0, OK") << 3 << 2 << 2 << 0 << QList<int>{20001} << "OK"
                                          << QStringList{"closeOut 2", "openOut 0"} << 0 << 0;
    QTest::newRow("other input, OK") << 3 << 2 << 0 << 0 << QList<int>{20101} << "OK"
                                     << QStringList{"closeIn 0", "openIn 1"} << 0 << 1;
    QTest::newRow("both, last click counts, Enter")
        << 3 << 3 << 0 << 0 << QList<int>{20002, 20102, 20003, 20101} << "Enter"
        << QStringList{"closeOut 0", "openOut 2", "closeIn 0", "openIn 1"} << 2 << 1;
    for (const char* how : {"Abbrechen", "Escape", "close box"})
        QTest::addRow("both clicked, %s", how)
            << 3 << 2 << 0 << 0 << QList<int>{20003, 20101} << how << none << 0 << 0;
    QTest::newRow("no input device, OK") << 2 << 0 << 0 << 0 << QList<int>{20002} << "OK"
                                         << QStringList{"closeOut 0", "openOut 1"} << 1 << 0;
}

void TestMidiSettings::closingAppliesOnlyAChangedChoiceOnOk() {
    QFETCH(int, outputs);
    QFETCH(int, inputs);
    QFETCH(int, outInUse);
    QFETCH(int, inInUse);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, closing);
    QFETCH(QStringList, log);
    QFETCH(int, outAfter);
    QFETCH(int, inAfter);

    Fixture f(names("Out", outputs), names("In", inputs), outInUse, inInUse);
    bool madeWhileOpen = false;
    const int result = f.run([&] {
        madeWhileOpen = f.button(20001) && f.button(20001)->isVisible();
        for (int id : clicks)
            f.click(id);
        f.close(closing);
    });

    QVERIFY(madeWhileOpen);
    QCOMPARE(result, closing == "OK" || closing == "Enter" ? int(QDialog::Accepted)
                                                           : int(QDialog::Rejected));
    QCOMPARE(f.platform.log, log);
    QCOMPARE(f.midi->outDevice, outAfter);
    QCOMPARE(f.midi->inDevice, inAfter);
    QCOMPARE(f.midi->outHandle != nullptr, true);
    QCOMPARE(f.midi->inHandle != nullptr, inputs > 0);
    // Closed, in whatever way: the made buttons are gone.
    QVERIFY(!control(&f.dialog, 20001));
    QVERIFY(!control(&f.dialog, 20100));
    QVERIFY(f.dialog.findChildren<QRadioButton*>().size() == 1); // the hidden 1119
}

void TestMidiSettings::theDeviceChosenIsTheOneOpenedWhateverCameAndWent_data() {
    QTest::addColumn<QStringList>("outs");
    QTest::addColumn<QStringList>("ins");
    QTest::addColumn<int>("outInUse");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QStringList>("outsMeanwhile");
    QTest::addColumn<QStringList>("insMeanwhile");
    QTest::addColumn<bool>("keeperSwitchedToSynth");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("outAfter");
    QTest::addColumn<int>("inAfter");

    const QStringList outs{"Synth", "Piano", "Organ"};
    const QStringList ins{"Piano", "Organ"};
    QTest::newRow("an output plugged in above the one chosen")
        << outs << ins << 0 << QList<int>{20003} << QStringList{"Synth", "Drums", "Piano", "Organ"}
        << ins << false << QStringList{"closeOut 0", "openOut 3"} << 3 << 0;
    QTest::newRow("an input plugged in above the one chosen")
        << outs << ins << 0 << QList<int>{20101} << outs << QStringList{"Drums", "Piano", "Organ"}
        << false << QStringList{"closeIn 0", "openIn 2"} << 0 << 2;
    QTest::newRow("the output chosen unplugged: nothing else is opened")
        << outs << ins << 0 << QList<int>{20003} << QStringList{"Synth", "Piano"} << ins << false
        << QStringList{} << 0 << 0;
    QTest::newRow("the input chosen unplugged: nothing else is opened")
        << outs << ins << 0 << QList<int>{20101} << outs << QStringList{"Piano"} << false
        << QStringList{} << 0 << 0;
    QTest::newRow("the keeper's switch to the synthesizer is not undone")
        << outs << ins << 1 << QList<int>{} << QStringList{"Synth", "Organ"} << ins << true
        << QStringList{} << 0 << 0;
    QTest::newRow("the output in use under a new number is not reopened")
        << outs << ins << 2 << QList<int>{} << QStringList{"Synth", "Organ"} << ins << false
        << QStringList{} << 1 << 0;
}

// While the dialog is open, instruments come and go and the device keeper
// acts on it: OK opens the device whose row was chosen, under its number now.
void TestMidiSettings::theDeviceChosenIsTheOneOpenedWhateverCameAndWent() {
    QFETCH(QStringList, outs);
    QFETCH(QStringList, ins);
    QFETCH(int, outInUse);
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, outsMeanwhile);
    QFETCH(QStringList, insMeanwhile);
    QFETCH(bool, keeperSwitchedToSynth);
    QFETCH(QStringList, log);
    QFETCH(int, outAfter);
    QFETCH(int, inAfter);

    Fixture f(outs, ins, outInUse, 0);
    f.run([&] {
        for (int id : clicks)
            f.click(id);
        f.platform.outs = outsMeanwhile;
        f.platform.ins = insMeanwhile;
        if (keeperSwitchedToSynth) {
            f.midi->lostOutIdentity = f.midi->outIdentity;
            f.midi->switchOutput(0, false);
        }
        f.platform.log.clear();
        f.close("OK");
    });
    QCOMPARE(f.platform.log, log);
    QCOMPARE(f.midi->outDevice, outAfter);
    QCOMPARE(f.midi->inDevice, inAfter);
}

void TestMidiSettings::devicesGetOneButtonPerRow_data() {
    QTest::addColumn<QStringList>("outs");
    QTest::addColumn<QStringList>("ins");

    QTest::newRow("three outputs, one input")
        << QStringList{"Synthesizer", "Midi Through Port-0", "jack:out"} << QStringList{"Keyboard"};
    QTest::newRow("no input") << QStringList{"Synthesizer", "Second"} << QStringList{};
    QTest::newRow("unreadable names leave their rows empty")
        << QStringList{"A", QString(), "C"} << QStringList{QString(), "In 1"};
    QTest::newRow("long names cut to 31 characters")
        << QStringList{"Ein sehr langer Gerätename über einunddreißig Zeichen"}
        << QStringList{"0123456789012345678901234567890123"};
}

void TestMidiSettings::devicesGetOneButtonPerRow() {
    QFETCH(QStringList, outs);
    QFETCH(QStringList, ins);

    Fixture f(outs, ins);
    f.run([&] {
        const QFont font = control(&f.dialog, 1119)->font();
        auto checkColumn = [&](const QStringList& list, int idBase, int left, int width) {
            for (int k = 0; k < list.size(); ++k) {
                QRadioButton* b = f.button(idBase + k);
                if (list[k].isNull()) {
                    QVERIFY(!b);
                    continue;
                }
                QVERIFY(b);
                QCOMPARE(b->geometry(), QRect(left, 35 + 20 * k, width, 20));
                QCOMPARE(b->text(), list[k].left(31));
                QCOMPARE(b->property("controlId").toInt(), idBase + k);
                QCOMPARE(b->font(), font);
                QVERIFY(b->isVisible());
            }
            QVERIFY(!f.button(idBase + int(list.size())));
        };
        checkColumn(outs, 20001, 220, 200);
        checkColumn(ins, 20100, 420, 150);
        QCOMPARE(control(&f.dialog, 1165)->isVisible(), ins.isEmpty());
        // Device 0 is in use in both columns.
        if (f.button(20001))
            QVERIFY(f.button(20001)->isChecked());
        if (f.button(20100))
            QVERIFY(f.button(20100)->isChecked());
    });
    QVERIFY(f.messages.isEmpty());
}

void TestMidiSettings::nextOpeningChecksTheDeviceInUseAgain() {
    Fixture f(names("Out", 3), names("In", 3), 1, 2);
    f.run([&] {
        QVERIFY(f.button(20002)->isChecked());
        QVERIFY(f.button(20102)->isChecked());
        f.click(20003);
        f.click(20100);
        QVERIFY(f.button(20003)->isChecked());
        QVERIFY(!f.button(20002)->isChecked());
        QVERIFY(f.button(20100)->isChecked());
        QVERIFY(!f.button(20102)->isChecked());
        f.close("Abbrechen");
    });
    f.run([&] {
        QVERIFY(f.button(20002)->isChecked());
        QVERIFY(!f.button(20003)->isChecked());
        QVERIFY(f.button(20102)->isChecked());
        QVERIFY(!f.button(20100)->isChecked());
        f.close("OK");
    });
    QVERIFY(f.platform.log.isEmpty());
}

void TestMidiSettings::everyOpeningReadsTheListsAfresh() {
    Fixture f(names("Out", 2), names("In", 1), 1, 0);
    f.run([&] { f.close("OK"); });
    // The output in use and the only input unplugged meanwhile.
    f.platform.outs = QStringList{"Out 0"};
    f.platform.ins = QStringList{};
    f.run([&] {
        QVERIFY(f.button(20001));
        QVERIFY(!f.button(20002));
        QVERIFY(!f.button(20001)->isChecked()); // device 1 has no button, so none is checked
        QVERIFY(!f.button(20100));
        QVERIFY(control(&f.dialog, 1165)->isVisible());
        f.close("OK");
    });
    f.platform.ins = QStringList{"Neues Keyboard", "Zweites"};
    f.run([&] {
        QCOMPARE(f.button(20101)->text(), QStringLiteral("Zweites"));
        QVERIFY(!control(&f.dialog, 1165)->isVisible());
        f.click(20101);
        f.close("OK");
    });
    QCOMPARE(f.platform.log, (QStringList{"closeIn 0", "openIn 1"}));
}

void TestMidiSettings::noOutputShowsTheInfoMessageThenAnEmptyColumn() {
    Fixture f(names("Out", 1), names("In", 2));
    f.platform.outs.clear(); // the output in use was unplugged since start-up
    bool openedAfterMessage = false;
    f.run([&] {
        openedAfterMessage = f.messages.size() == 1 && f.dialog.isVisible();
        QVERIFY(!f.button(20001));
        QVERIFY(f.button(20100));
        QVERIFY(!control(&f.dialog, 1165)->isVisible());
        f.click(20101);
        f.close("OK");
    });
    QVERIFY(openedAfterMessage);
    QCOMPARE(
        f.messages,
        QStringList{QStringLiteral(
            "Info|Der QVB-Zaradariveda hat leider kein Gerät für die Tonausgabe gefunden|owned")});
    // The output in use stays in use; the input choice still applies.
    QCOMPARE(f.platform.log, (QStringList{"closeIn 0", "openIn 1"}));
    QVERIFY(f.midi->outHandle);
}

void TestMidiSettings::noOutputMessageIsAPlainOwnedBox() {
    RecordingPlatform platform;
    platform.outs = QStringList{"Out 0"};
    MidiDevices midi(platform);
    midi.OpenDevices(
        "QVB-Zaradariveda", [](const std::string&, const std::string&) {}, [] {});
    platform.outs.clear();
    CMidiSettings dialog;
    dialog.setDevices(&midi);

    QString seen;
    QWidget* owner = nullptr;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QMessageBox::StandardButtons buttons;
    bool dialogShownBefore = true;
    bool dialogShownAfter = false;
    QTimer::singleShot(0, &dialog, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->windowTitle() + QLatin1Char('|') + box->text();
            owner = box->parentWidget();
            icon = box->icon();
            buttons = box->standardButtons();
            dialogShownBefore = dialog.isVisible();
        }
        QTimer::singleShot(0, &dialog, [&] {
            dialogShownAfter = dialog.isVisible();
            dialog.reject();
        });
        if (QWidget* w = QApplication::activeModalWidget(); w && w != &dialog)
            QTest::keyClick(w, Qt::Key_Return);
    });
    dialog.exec();
    QCOMPARE(seen,
             QStringLiteral(
                 "Info|Der QVB-Zaradariveda hat leider kein Gerät für die Tonausgabe gefunden"));
    QCOMPARE(owner, static_cast<QWidget*>(&dialog));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!dialogShownBefore); // the message comes before the dialog
    QVERIFY(dialogShownAfter);
}

void TestMidiSettings::opensAtTemplateSizeWithOkFocusedAndTextsWhole() {
    Fixture f(names("Out", 1), names("In", 1));
    QCOMPARE(f.dialog.windowTitle(), QStringLiteral("MIDI-Einstellungen"));
    f.run([&] {
        QCOMPARE(f.dialog.size(), QSize(dlu::x(413), dlu::y(157)));
        QCOMPARE(controlAs<QLabel>(&f.dialog, 1165)->text(),
                 QStringLiteral("Kein MIDI-Eingabegerät gefunden"));
        // No text loses its last line at the bottom of its box.
        for (const QLabel* l : f.dialog.findChildren<QLabel*>())
            QVERIFY2(l->heightForWidth(l->width()) <= l->height(), qPrintable(l->text()));
        QVERIFY(!control(&f.dialog, 1119)->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&f.dialog));
        QCOMPARE(QApplication::focusWidget(), control(&f.dialog, 1));
    });
}

void TestMidiSettings::dialogGrowsSoEveryRowIsReachable_data() {
    QTest::addColumn<int>("outputs");
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("height");

    const int templateHeight = dlu::y(157);
    QTest::newRow("eleven rows fit the template") << 11 << 3 << templateHeight;
    QTest::newRow("twelve outputs") << 12 << 1 << 35 + 20 * 12;
    QTest::newRow("thirty inputs") << 2 << 30 << 35 + 20 * 30;
    QTest::newRow("150 outputs, 99 rows") << 150 << 2 << 35 + 20 * 99;
}

void TestMidiSettings::dialogGrowsSoEveryRowIsReachable() {
    QFETCH(int, outputs);
    QFETCH(int, inputs);
    QFETCH(int, height);

    Fixture f(names("Out", outputs), names("In", inputs));
    f.run([&] {
        QCOMPARE(f.dialog.height(), height);
        QCOMPARE(f.dialog.width(), dlu::x(413));
        for (QRadioButton* b : f.dialog.findChildren<QRadioButton*>()) {
            if (b->isVisible())
                QVERIFY2(f.dialog.rect().contains(b->geometry()), qPrintable(b->objectName()));
        }
    });
}

void TestMidiSettings::outputsBeyondTheIdRangeGetNoButton() {
    // 150 outputs: output 99 would take the id of input 0.
    Fixture f(names("Out", 150), names("In", 3), 0, 1);
    f.run([&] {
        QCOMPARE(f.button(20099)->text(), QStringLiteral("Out 98"));
        QList<QWidget*> at20100;
        for (QWidget* w : f.dialog.findChildren<QWidget*>())
            if (w->property("controlId").toInt() == 20100)
                at20100 << w;
        QCOMPARE(at20100.size(), 1);
        QCOMPARE(at20100.first()->geometry().left(), 420);
        QCOMPARE(f.button(20100)->text(), QStringLiteral("In 0"));
        f.click(20100);
        QVERIFY(f.button(20001)->isChecked());
        f.close("OK");
    });
    QCOMPARE(f.platform.log, (QStringList{"closeIn 1", "openIn 0"}));
    QCOMPARE(f.midi->outDevice, 0);
}

QTEST_MAIN(TestMidiSettings)
#include "tst_midisettings.moc"
