// SPDX-License-Identifier: GPL-3.0-or-later
// The trainer window from the computer keyboard alone: Tab to the lower
// staff, a round started with Space and answered by letter keys, judged as
// the same clicks would be; the cue seen only with the focus; and what a
// screen reader is told, caught as the accessibility events the window sends.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include "cvelmora01dlg.h"
#include "enginefakes.h"
#include "fakemidi.h"
#include "modalwatcher.h"
#include "template102.h"
#include "trainerviewaccessible.h"
#include "viewstyle.h"

using namespace template102;

namespace {
struct Rig {
    QTemporaryDir dir;
    FakeClock clock;
    FakeMidi midi{&clock};
    std::unique_ptr<CVelmora01Dlg> dlg;
    QStringList messages;

    Rig() {
        midi.outputs = {"Out 0"};
        clock.set(500000);
        QFile f(dir.filePath(QStringLiteral("dataGehoer.qvb")));
        QByteArray bytes = "TESTER\r\n";
        for (int c = 0; c < 4; ++c)
            for (int p = 0; p < 10; ++p)
                bytes += "N" + QByteArray::number(p) + "\r\n" +
                         QByteArray::number(3 - p / 4).rightJustified(3) + "\r\n";
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        f.close();
        dlg = std::make_unique<CVelmora01Dlg>(midi, clock);
        dlg->setBestListPath(f.fileName());
        dlg->setMessageFn(
            [this](QWidget*, const QString& text, const QString&) { messages << text; });
        dlg->initDialog();
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        midi.clearSent();
    }
    QWidget* ctl(int id) const { return control(dlg.get(), id); }
    QWidget* view() const { return dlg->m_viewCtl; }
    QImage frame() {
        QImage image(view()->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        dlg->paintView(painter);
        return image;
    }
    const NoteSlot& current() const {
        return dlg->m_round.m_slots[size_t(dlg->m_round.m_slotIndex)];
    }
    bool noteOnLine() const { return dlg->m_round.m_running && dlg->m_round.noteOnLine(); }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.advance(10);
            dlg->onTimer(0);
        }
    }
    // Ticks until the round is over and finished (its last frame painted).
    void playOut() {
        for (int n = 0; n < 20000 && !dlg->m_round.m_roundOver; ++n)
            tick();
        frame();
        QTest::qWait(0);
    }
    QByteArray bestList() const {
        QFile f(dir.filePath(QStringLiteral("dataGehoer.qvb")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The keys for a note of the compass "C'", one octave, without accidentals:
// the octave digit, then the note's letter.
void typeNote(QWidget* staff, const NoteSlot& slot) {
    const int digit = slot.octave - 2 + 1;
    QTest::keyClick(staff, Qt::Key(Qt::Key_0 + digit));
    QTest::keyClick(staff, "cdefgah"[slot.step]);
}

// The view's description each time the window tells a screen reader that it
// changed. (Without a screen reader on the bus Qt passes no accessibility
// event on; the end-to-end test hears the real ones.)
struct Announcements {
    QStringList texts;
    explicit Announcements(CVelmora01Dlg& dlg) {
        dlg.setAnnounceFn([this](const QString& text) { texts << text; });
    }
};
} // namespace

class TstStaffKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void staffTakesTheFocusByTabNotByAClick();
    void cueShowsOnlyWhileTheStaffHasTheFocus();
    void roundStartedWithTheMouseLeavesTheFocusAlone();
    void roundFromTheKeyboardIsJudgedAsTheSameClicks_data();
    void roundFromTheKeyboardIsJudgedAsTheSameClicks();
    void keysThatAreNoAnswerDoNothing_data();
    void keysThatAreNoAnswerDoNothing();
    void screenReaderHearsEachVerdictOnceWithThePoints();
    void escapeOnTheStaffStillEnds();
};

void TstStaffKeys::initTestCase() {
    QAccessible::installFactory(&TrainerViewAccessible::factory);
}

void TstStaffKeys::cleanup() {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

void TstStaffKeys::staffTakesTheFocusByTabNotByAClick() {
    Rig rig;
    QVERIFY(QTest::qWaitForWindowActive(rig.dlg.get()));
    QTest::mouseClick(rig.view(), Qt::LeftButton, {}, QPoint(300, 300));
    QVERIFY(!rig.view()->hasFocus());
    rig.ctl(IdEnde)->setFocus();
    QTest::keyClick(rig.ctl(IdEnde), Qt::Key_Tab);
    QVERIFY(rig.view()->hasFocus());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(rig.view());
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Notenbild"));
    QCOMPARE(iface->text(QAccessible::Description),
             QStringLiteral("Zeiger auf C'. 0 Punkte. keine Runde."));
}

void TstStaffKeys::cueShowsOnlyWhileTheStaffHasTheFocus() {
    Rig rig;
    QVERIFY(QTest::qWaitForWindowActive(rig.dlg.get()));
    const QImage idle = rig.frame();
    const Compass& c = rig.dlg->m_compass;
    const QPoint cueCorner(c.m_scaleX + c.m_cellOffset + c.firstCompassCell() * c.m_cellWidth,
                           c.m_scaleY - 2);
    QVERIFY(idle.pixel(cueCorner) != ViewColour::Cue);
    rig.view()->setFocus(Qt::TabFocusReason);
    const QImage focused = rig.frame();
    QCOMPARE(focused.pixel(cueCorner), ViewColour::Cue);
    QTest::keyClick(rig.view(), Qt::Key_Right);
    QVERIFY(rig.frame().pixel(cueCorner) != ViewColour::Cue);
    QCOMPARE(rig.frame().pixel(cueCorner + QPoint(c.m_cellWidth, 0)), ViewColour::Cue);
    rig.ctl(IdSilence)->setFocus();
    QCOMPARE(rig.frame(), idle); // no cue without the focus, pixel for pixel
}

void TstStaffKeys::roundStartedWithTheMouseLeavesTheFocusAlone() {
    Rig rig;
    QVERIFY(QTest::qWaitForWindowActive(rig.dlg.get()));
    QTest::mouseClick(rig.ctl(IdNewTraining), Qt::LeftButton);
    QVERIFY(rig.dlg->m_round.m_running);
    QVERIFY(!rig.view()->hasFocus());
    rig.tick(3);
    QVERIFY(!rig.view()->hasFocus());
}

void TstStaffKeys::roundFromTheKeyboardIsJudgedAsTheSameClicks_data() {
    QTest::addColumn<int>("wrongEvery"); // every n-th note gets a wrong answer first; 0: none
    QTest::addColumn<int>("notes");      // notes answered before the round is left to end
    QTest::newRow("all right") << 0 << 8;
    QTest::newRow("some wrong first") << 3 << 9;
}

void TstStaffKeys::roundFromTheKeyboardIsJudgedAsTheSameClicks() {
    QFETCH(int, wrongEvery);
    QFETCH(int, notes);
    Rig mouse, keys;
    QVERIFY(QTest::qWaitForWindowActive(keys.dlg.get()));
    QTest::mouseClick(mouse.ctl(IdNewTraining), Qt::LeftButton);
    keys.ctl(IdNewTraining)->setFocus();
    QTest::keyClick(keys.ctl(IdNewTraining), Qt::Key_Space);
    QVERIFY(keys.dlg->m_round.m_running);
    QVERIFY(keys.view()->hasFocus());
    {
        ModalWatcher watcher;
        for (int n = 0; n < notes; ++n) {
            for (Rig* rig : {&mouse, &keys}) {
                for (int t = 0; t < 100 && !rig->noteOnLine(); ++t)
                    rig->tick();
                QVERIFY(rig->noteOnLine());
                NoteSlot slot = rig->current();
                const Compass& c = rig->dlg->m_compass;
                if (wrongEvery && n % wrongEvery == 0) {
                    NoteSlot wrong = slot;
                    wrong.step = slot.step == 0 ? 1 : slot.step - 1;
                    if (rig == &keys) {
                        typeNote(rig->view(), wrong);
                        QTest::keyClick(rig->view(), Qt::Key_R); // "Ton wiederholen"
                    } else {
                        const int cell = 7 * wrong.octave + wrong.step;
                        rig->dlg->onLowerStaffClick(
                            rig->dlg->m_viewRect.topLeft() +
                            QPoint(c.m_scaleX + c.m_cellOffset + cell * c.m_cellWidth + 5, 300));
                        rig->dlg->onButtonUp();
                        QTest::mouseClick(rig->ctl(IdRepeatTone), Qt::LeftButton);
                    }
                    rig->tick(5);
                }
                if (rig == &keys) {
                    typeNote(rig->view(), slot);
                } else {
                    const int cell = c.slotCell(slot);
                    rig->dlg->onLowerStaffClick(
                        rig->dlg->m_viewRect.topLeft() +
                        QPoint(c.m_scaleX + c.m_cellOffset + cell * c.m_cellWidth + 5, 300));
                    rig->dlg->onButtonUp();
                }
                rig->tick(2);
            }
            QCOMPARE(keys.dlg->m_round.m_points, mouse.dlg->m_round.m_points);
        }
        mouse.playOut();
        keys.playOut();
    }
    QCOMPARE(keys.midi.messages(), mouse.midi.messages());
    QVERIFY(keys.dlg->m_round.m_points > 0);
    QCOMPARE(keys.dlg->m_round.m_points, mouse.dlg->m_round.m_points);
    QCOMPARE(keys.messages, mouse.messages);
    QCOMPARE(keys.bestList(), mouse.bestList());
    QVERIFY(keys.bestList() != Rig().bestList());               // the round did enter the list
    QCOMPARE(keys.dlg->focusWidget(), keys.ctl(IdNewTraining)); // ready for the next round's Space
}

void TstStaffKeys::keysThatAreNoAnswerDoNothing_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("b without accidentals") << int(Qt::Key_B) << 0;
    QTest::newRow("Shift+c without accidentals") << int(Qt::Key_C) << int(Qt::ShiftModifier);
    QTest::newRow("x") << int(Qt::Key_X) << 0;
    QTest::newRow("digit beyond the compass") << int(Qt::Key_4) << 0;
    QTest::newRow("Ctrl+c") << int(Qt::Key_C) << int(Qt::ControlModifier);
}

void TstStaffKeys::keysThatAreNoAnswerDoNothing() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Rig rig;
    QVERIFY(QTest::qWaitForWindowActive(rig.dlg.get()));
    rig.ctl(IdNewTraining)->setFocus();
    QTest::keyClick(rig.ctl(IdNewTraining), Qt::Key_Space);
    rig.tick();
    rig.midi.clearSent();
    const int cue = rig.dlg->m_keyCue.m_cell;
    QTest::keyClick(rig.view(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(rig.midi.messages().empty());
    QCOMPARE(rig.dlg->m_round.m_slots[0].result, 0);
    QCOMPARE(rig.dlg->m_keyCue.m_cell, cue);
    QVERIFY(rig.dlg->isVisible());
}

void TstStaffKeys::screenReaderHearsEachVerdictOnceWithThePoints() {
    Rig rig;
    QVERIFY(QTest::qWaitForWindowActive(rig.dlg.get()));
    Announcements heard(*rig.dlg);
    rig.ctl(IdNewTraining)->setFocus();
    QTest::keyClick(rig.ctl(IdNewTraining), Qt::Key_Space);
    // The focus arrives at the staff with the news in its description.
    QCOMPARE(QAccessible::queryAccessibleInterface(rig.view())->text(QAccessible::Description),
             QStringLiteral("Runde beginnt. Zeiger auf C'. 0 Punkte. Runde läuft."));
    // Each note is answered once the one before has landed on the pile.
    auto words = [](unsigned points) {
        return points == 1 ? QStringLiteral("1 Punkt") : QStringLiteral("%1 Punkte").arg(points);
    };
    QStringList expected;
    for (int n = 0; n < 4; ++n) {
        for (int t = 0; t < 100 && !rig.noteOnLine(); ++t)
            rig.tick();
        const NoteSlot slot = rig.current();
        unsigned points = rig.dlg->m_round.m_points;
        if (n == 1 || n == 2) {
            NoteSlot wrong = slot;
            wrong.step = slot.step == 0 ? 1 : slot.step - 1;
            typeNote(rig.view(), wrong);
            points = points > 0 ? points - 1 : 0;
            expected << QStringLiteral("Falsch, ") + words(points);
        }
        const int before = int(heard.texts.size());
        typeNote(rig.view(), slot);
        QVERIFY(int(heard.texts.size()) > before);
        // A right answer tells the point it will bring when it lands.
        expected << QStringLiteral("Richtig, ") + words(points + 1);
        for (int t = 0; t < 2000 && rig.dlg->m_round.m_points != points + 1; ++t)
            rig.tick();
        QCOMPARE(unsigned(rig.dlg->m_round.m_points), points + 1);
    }
    // A digit moves the cue and tells where it stands ("Zeiger auf C'"); the
    // verdicts are told after each letter.
    QStringList verdicts;
    for (const QString& text : heard.texts)
        if (text.startsWith(QLatin1String("Richtig")) || text.startsWith(QLatin1String("Falsch")))
            verdicts << text;
    QCOMPARE(verdicts, expected);
    {
        ModalWatcher watcher;
        rig.playOut();
    }
    // Told while the staff still has the focus, before the round's message.
    QCOMPARE(heard.texts.filter(QStringLiteral("Runde zu Ende")).size(), 1);
    QCOMPARE(heard.texts.last(), QStringLiteral("Runde zu Ende"));
    QCOMPARE(
        QAccessible::queryAccessibleInterface(rig.view())->text(QAccessible::Description).left(14),
        QStringLiteral("Runde zu Ende."));
}

void TstStaffKeys::escapeOnTheStaffStillEnds() {
    Rig rig;
    QVERIFY(QTest::qWaitForWindowActive(rig.dlg.get()));
    rig.view()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(rig.view(), Qt::Key_Escape);
    QVERIFY(!rig.dlg->isVisible());
}

QTEST_MAIN(TstStaffKeys)
#include "tst_staffkeys.moc"
