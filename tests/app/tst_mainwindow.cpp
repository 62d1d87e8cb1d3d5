// SPDX-License-Identifier: GPL-3.0-or-later
// The trainer window as a pupil uses it: start-up, clicks, rounds from the
// buttons, the round's finish and the shutdown, with recorded MIDI and a
// clock the test sets.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "cvelmora01dlg.h"
#include "enginefakes.h"
#include "fakemidi.h"
#include "modalwatcher.h"
#include "template102.h"
#include "template103.h"
#include "template104.h"

using namespace template102;
using Messages = std::vector<uint32_t>;

namespace {
constexpr uint32_t Silence = 0x0078B0;
uint32_t noteOn(int note, int velocity = 127) { return 0x90u | note << 8 | velocity << 16; }
uint32_t program(int p) { return 0xC0u | p << 8; }

struct Message {
    QString text, caption;
};

// One trainer window with everything it talks to.
struct Rig {
    QTemporaryDir dir;
    FakeClock clock;
    FakeMidi midi{&clock};
    std::unique_ptr<CVelmora01Dlg> dlg;
    std::vector<Message> messages;

    // firstColumnPoints: the points of every place of column 1 in the file.
    explicit Rig(bool withBestListFile = true, int outputs = 1, int inputs = 1,
                 int firstColumnPoints = 0) {
        for (int i = 0; i < outputs; ++i)
            midi.outputs.push_back("Out " + std::to_string(i));
        for (int i = 0; i < inputs; ++i)
            midi.inputs.push_back("In " + std::to_string(i));
        if (withBestListFile)
            writeValidBestList(firstColumnPoints);
        dlg = std::make_unique<CVelmora01Dlg>(midi, clock);
        dlg->setBestListPath(path());
        dlg->setMessageFn([this](QWidget*, const QString& text, const QString& caption) {
            messages.push_back({text, caption});
        });
    }
    QString path() const { return dir.filePath(QStringLiteral("dataGehoer.qvb")); }
    void writeValidBestList(int firstColumnPoints = 0) {
        QByteArray bytes = "TESTER\r\n";
        for (int c = 0; c < 4; ++c)
            for (int p = 0; p < 10; ++p)
                bytes += "N" + QByteArray::number(p) + "\r\n" +
                         QByteArray::number(c == 0 && firstColumnPoints ? firstColumnPoints
                                                                        : 10 - p)
                             .rightJustified(3) +
                         "\r\n";
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void start() {
        dlg->initDialog();
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        midi.clearSent();
    }
    QWidget* ctl(int id) const { return control(dlg.get(), id); }
    void click(int id) { QTest::mouseClick(ctl(id), Qt::LeftButton); }
    // A left click at a point of the view (view coordinates).
    void clickView(QPoint p) {
        dlg->onLowerStaffClick(p + dlg->m_viewRect.topLeft());
        dlg->onButtonUp();
    }
    // Round ticks as timer 0 delivers them, 10 ms apart.
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.advance(10);
            dlg->onTimer(0);
        }
    }
};
} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void controlsHaveTheirPlaceAndCaption_data();
    void controlsHaveTheirPlaceAndCaption();
    void radioGroupsAreExclusiveEachOnItsOwn();
    void lineEditsKeepTheirWindowsFontAndTheApplicationItsOwn_data();
    void lineEditsKeepTheirWindowsFontAndTheApplicationItsOwn();
    void startUpSendsProgramZeroOnlyAndSetsIdleState();
    void firstStartShowsHelpBeforeTheWindow();
    // Before the tests that end the program: no modal loop runs after that.
    void mistakeMapOpensWithF2OnlyBetweenRounds();
    void noOutputDeviceShowsMessageAndClosesAfterStartUp();
    void outputFinishesOpeningOnceTheWindowIsUp();
    void outputFailingAfterTheWindowIsUpEndsTheProgram();
    void clickOnLowerStaff_data();
    void clickOnLowerStaff();
    void roundControlsFollowTheRound();
    void escapeDuringRoundSilencesAndEvaluatesNothing();
    void roundRunningAtTheEndIsKeptAsCancelled_data();
    void roundRunningAtTheEndIsKeptAsCancelled();
    void roundEndFinishesOnceHoweverOftenPainted();
    void minimisedWindowFinishesOnlyAfterRestore();
    void instrumentChoicePreviewsAndFreeNoteIsSilenced();
    void optionRadiosFitTheOtherGroup();
    void signalEndsTheWindowAndSavesTheList();
    void changesReachTheFileAtOnce_data();
    void sessionAskingToSaveLeavesTheGameRunning();
    void changesReachTheFileAtOnce();
};

void TstMainWindow::cleanup() {
    // A window ended from outside leaves every event loop at once, also those
    // started later, as the program wants it; the application's own loop,
    // run and left once, lets the next test's dialogs wait again.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

void TstMainWindow::controlsHaveTheirPlaceAndCaption_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("pixels");
    // Pixels from dialog units: x * 6 / 4 and y * 13 / 8, rounded half up.
    QTest::newRow("new training") << 1094 << "QPushButton" << "NEUES\nTRAINING" << QRect(953, 11, 92, 46);
    QTest::newRow("cancel") << 1095 << "QPushButton" << "Training\nabbrechen" << QRect(953, 59, 92, 31);
    QTest::newRow("practice") << 1118 << "QCheckBox" << "Nur üben" << QRect(957, 91, 87, 15);
    QTest::newRow("reference C") << 1163 << "QPushButton" << "C'" << QRect(1023, 107, 21, 31);
    QTest::newRow("octave 4") << 1003 << "QRadioButton" << "4" << QRect(1007, 172, 30, 16);
    QTest::newRow("with") << 1111 << "QRadioButton" << "Mit" << QRect(966, 223, 38, 16);
    QTest::newRow("silence") << 1162 << "QPushButton" << "Ruhe jetzt!" << QRect(953, 270, 92, 23);
    QTest::newRow("end") << 1 << "QPushButton" << "Ende" << QRect(953, 392, 92, 23);
    QTest::newRow("view") << 1099 << "QWidget" << "" << QRect(11, 11, 938, 403);
    QTest::newRow("start C''") << 1105 << "QRadioButton" << "C''" << QRect(701, 416, 35, 16);
    QTest::newRow("blacken") << 1117 << "QCheckBox" << "Ungültigen Tonbereich schwärzen"
                             << QRect(855, 418, 189, 13);
}

void TstMainWindow::controlsHaveTheirPlaceAndCaption() {
    QFETCH(int, id);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QRect, pixels);
    Rig rig;
    rig.start();
    QWidget* w = rig.ctl(id);
    QVERIFY(w);
    QCOMPARE(w->metaObject()->className(), kind);
    QCOMPARE(w->geometry(), pixels);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        QCOMPARE(b->text(), caption);
    QCOMPARE(rig.dlg->size(), QSize(1055, 434));
    QVERIFY(qobject_cast<QPushButton*>(rig.ctl(1094))->isDefault());
    QCOMPARE(rig.ctl(1117)->layoutDirection(), Qt::RightToLeft);
}

void TstMainWindow::radioGroupsAreExclusiveEachOnItsOwn() {
    Rig rig;
    rig.start();
    rig.click(1002);
    rig.click(1111);
    auto checked = [&](int id) { return qobject_cast<QRadioButton*>(rig.ctl(id))->isChecked(); };
    QVERIFY(checked(1002) && !checked(1000));
    QVERIFY(checked(1111) && !checked(1110));
    QVERIFY(checked(1103)); // three octaves from C' do not fit: the start moved down to c
    QVERIFY(!checked(1104));
    auto* combo = qobject_cast<QComboBox*>(rig.ctl(1161));
    QCOMPARE(combo->count(), 18);
    QCOMPARE(combo->itemText(16), QStringLiteral("Querflöte"));
    QVERIFY(combo->isEditable());
}

void TstMainWindow::lineEditsKeepTheirWindowsFontAndTheApplicationItsOwn_data() {
    QTest::addColumn<bool>("nameDialog");
    QTest::newRow("instrument combobox") << false;
    QTest::newRow("player name field") << true;
}

// The application's font stands in for the window's while a line edit is
// made; afterwards message boxes and menus must have the application's again.
void TstMainWindow::lineEditsKeepTheirWindowsFontAndTheApplicationItsOwn() {
    QFETCH(bool, nameDialog);
    const QFont before = QApplication::font();
    QVERIFY(before != dialogFont());
    Rig rig;
    rig.start();
    QWidget* window = rig.dlg.get();
    if (nameDialog) {
        window = &rig.dlg->m_playerNameDlg;
        window->show();
    }
    QCOMPARE(QApplication::font(), before);
    const QList<QLineEdit*> edits = window->findChildren<QLineEdit*>();
    QCOMPARE(edits.size(), 1);
    QCOMPARE(edits[0]->font(), dialogFont());
    window->hide();
}

void TstMainWindow::startUpSendsProgramZeroOnlyAndSetsIdleState() {
    Rig rig;
    rig.dlg->initDialog();
    QCOMPARE(rig.midi.messages(), Messages{program(0)});
    QCOMPARE(rig.dlg->windowTitle(), QStringLiteral("QVB-Zaradariveda 1.1 - Es trainiert TESTER"));
    for (int id : {1104, 1000, 1110})
        QVERIFY2(qobject_cast<QRadioButton*>(rig.ctl(id))->isChecked(), qPrintable(QString::number(id)));
    QVERIFY(qobject_cast<QCheckBox*>(rig.ctl(1117))->isChecked());
    QVERIFY(!qobject_cast<QCheckBox*>(rig.ctl(1118))->isChecked());
    for (int id : {1095, 1164})
        QVERIFY(!rig.ctl(id)->isEnabled());
    for (int id : {1094, 1089, 1088, 1, 1161, 1162, 1163, 1120})
        QVERIFY(rig.ctl(id)->isEnabled());
    QCOMPARE(qobject_cast<QComboBox*>(rig.ctl(1161))->currentIndex(), 0);
    QCOMPARE(rig.midi.inOpens, 1);
    QCOMPARE(rig.midi.inStarts, 0);
    QVERIFY(rig.messages.empty());
    // The window's icon in the sizes a title bar and a task bar draw, each one drawn.
    const QIcon icon = rig.dlg->windowIcon();
    QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}}));
    for (const QSize& size : icon.availableSizes())
        QCOMPARE(icon.pixmap(size).size(), size);
}

void TstMainWindow::firstStartShowsHelpBeforeTheWindow() {
    Rig rig(false);
    ModalWatcher watcher;
    rig.dlg->initDialog();
    QCOMPARE(watcher.titles, QStringList{QStringLiteral("QVB-Zaradariveda - Infos")});
    QVERIFY(!rig.dlg->isVisible());
    QCOMPARE(rig.dlg->windowTitle(), QStringLiteral("QVB-Zaradariveda 1.1 - Es trainiert Name..."));
}

void TstMainWindow::noOutputDeviceShowsMessageAndClosesAfterStartUp() {
    Rig rig(true, 0, 1);
    QCOMPARE(rig.dlg->run(), int(QDialog::Rejected));
    QCOMPARE(rig.messages.size(), size_t(1));
    QCOMPARE(rig.messages[0].caption, QStringLiteral("QVB-Zaradariveda"));
    QCOMPARE(rig.messages[0].text,
             QStringLiteral("Das benötigte MIDI-Ausgabegerät konnte leider nicht geöffnet werden.\n"
                            "                 Das Programm wird nun geschlossen."));
    QCOMPARE(rig.midi.inOpens, 1); // the input side is still opened
    QVERIFY(rig.midi.sent.empty());
    // The teardown ran: the best list was written.
    QFile f(rig.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith("TESTER\r\n"));
}

void TstMainWindow::outputFinishesOpeningOnceTheWindowIsUp() {
    Rig rig;
    rig.dlg->initDialog();
    QCOMPARE(rig.midi.finishOpenings, 0); // nothing waits for the device before the window
    rig.dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.dlg.get()));
    QTRY_COMPARE(rig.midi.finishOpenings, 1);
    // Painting again, or the moment after showing passing, finishes nothing more.
    rig.dlg->update();
    QTest::qWait(700);
    QCOMPARE(rig.midi.finishOpenings, 1);
    QVERIFY(rig.messages.empty());
    QVERIFY(rig.midi.outputOpen());
}

void TstMainWindow::outputFailingAfterTheWindowIsUpEndsTheProgram() {
    Rig rig;
    rig.midi.lateFailingOutputs = {0};
    const QDateTime longAgo = QDateTime::currentDateTime().addDays(-1);
    {
        QFile old(rig.path());
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    QCOMPARE(rig.dlg->run(), int(QDialog::Rejected));
    QCOMPARE(rig.midi.finishOpenings, 1);
    QCOMPARE(rig.messages.size(), size_t(1));
    QCOMPARE(rig.messages[0].caption, QStringLiteral("QVB-Zaradariveda"));
    QCOMPARE(rig.messages[0].text,
             QStringLiteral("Das benötigte MIDI-Ausgabegerät konnte leider nicht geöffnet werden.\n"
                            "                 Das Programm wird nun geschlossen."));
    QVERIFY(rig.dlg->closeRequested());
    QVERIFY(!rig.midi.outputOpen()); // the failed output is let go at once
    QVERIFY(!rig.dlg->isVisible());
    // The teardown ran: the best list was written again.
    QVERIFY(QFileInfo(rig.path()).lastModified() > longAgo.addSecs(60));
    QFile f(rig.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith("TESTER\r\n"));
}

void TstMainWindow::clickOnLowerStaff_data() {
    QTest::addColumn<QPoint>("viewPoint");
    QTest::addColumn<Messages>("expected");
    QTest::newRow("cell 0, low C") << QPoint(40, 300) << Messages{Silence, noteOn(36)};
    QTest::newRow("cell 14, C'") << QPoint(36 + 14 * 30 + 2, 229) << Messages{Silence, noteOn(60)};
    QTest::newRow("cell 28, top C") << QPoint(36 + 28 * 30 + 29, 391) << Messages{Silence, noteOn(84)};
    QTest::newRow("1 px left of cell 0") << QPoint(35, 300) << Messages{Silence, noteOn(36)};
    QTest::newRow("left of the cells") << QPoint(5, 300) << Messages{Silence};
    QTest::newRow("right of the cells") << QPoint(36 + 29 * 30, 300) << Messages{Silence};
    QTest::newRow("above the band") << QPoint(100, 228) << Messages{};
    QTest::newRow("below the band") << QPoint(100, 392) << Messages{};
}

void TstMainWindow::clickOnLowerStaff() {
    QFETCH(QPoint, viewPoint);
    QFETCH(Messages, expected);
    Rig rig;
    rig.start();
    rig.clickView(viewPoint);
    QCOMPARE(rig.midi.messages(), expected);
}

void TstMainWindow::roundControlsFollowTheRound() {
    Rig rig;
    rig.start();
    const int idleOnly[] = {1094, 1089, 1088, 1,    1114, 1115, 1116, 1117, 1118, 1120, 1000,
                            1001, 1002, 1003, 1102, 1103, 1104, 1105, 1110, 1111, 1161};
    rig.click(1094);
    QVERIFY(rig.dlg->m_round.m_running);
    for (int id : idleOnly)
        QVERIFY2(!rig.ctl(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : {1095, 1164, 1162, 1163})
        QVERIFY(rig.ctl(id)->isEnabled());
    QCOMPARE(rig.midi.inResets, 1);
    QCOMPARE(rig.midi.inStarts, 1);
    const Messages first = rig.midi.messages();
    QCOMPARE(first.size(), size_t(2));
    QCOMPARE(first[0], Silence);
    QCOMPARE(first[1] & 0xFF00FF, 0x7F0090u);

    rig.click(1095);
    QVERIFY(!rig.dlg->m_round.m_running);
    for (int id : idleOnly)
        QVERIFY(rig.ctl(id)->isEnabled());
    for (int id : {1095, 1164})
        QVERIFY(!rig.ctl(id)->isEnabled());
    QVERIFY(rig.ctl(1094)->hasFocus());
    QCOMPARE(rig.midi.inStops, 1);
    QCOMPARE(rig.midi.messages().back(), Silence);
}

void TstMainWindow::mistakeMapOpensWithF2OnlyBetweenRounds() {
    Rig rig;
    rig.start();
    QAction* entry = nullptr;
    for (QAction* a : rig.dlg->actions())
        if (a->text() == QStringLiteral("Fehlerbild..."))
            entry = a;
    QVERIFY(entry);
    QCOMPARE(entry->shortcut(), QKeySequence(Qt::Key_F2));
    // A shortcut reaches only the active window.
    rig.dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.dlg.get()));
    ModalWatcher watcher;
    rig.click(1094);
    QVERIFY(!entry->isEnabled());
    QTest::keyClick(rig.dlg.get(), Qt::Key_F2);
    QTest::qWait(50);
    QVERIFY(watcher.titles.isEmpty());
    rig.click(1095);
    QVERIFY(entry->isEnabled());
    QTest::keyClick(rig.dlg.get(), Qt::Key_F2);
    QTRY_COMPARE(watcher.titles, QStringList{QStringLiteral("Fehlerbild von TESTER")});
}

void TstMainWindow::escapeDuringRoundSilencesAndEvaluatesNothing() {
    Rig rig;
    rig.start();
    rig.click(1094);
    rig.tick(50);
    QTest::keyClick(rig.dlg.get(), Qt::Key_Escape);
    QVERIFY(!rig.dlg->isVisible());
    QCOMPARE(rig.midi.messages().back(), Silence);
    QTest::qWait(50);
    QVERIFY(rig.messages.empty());
    QVERIFY(QFile::exists(rig.path()));
}

void TstMainWindow::roundRunningAtTheEndIsKeptAsCancelled_data() {
    QTest::addColumn<QString>("ending");
    QTest::newRow("Escape") << QStringLiteral("escape");
    QTest::newRow("window closed") << QStringLiteral("close");
}

// The history module is not beside the test, so the round stays in the
// history's memory, where the mistake map would count it.
void TstMainWindow::roundRunningAtTheEndIsKeptAsCancelled() {
    QFETCH(QString, ending);
    Rig rig;
    rig.start();
    rig.click(1094);
    rig.tick(50);
    const NoteSlot& slot = rig.dlg->m_round.m_slots[rig.dlg->m_round.m_slotIndex];
    const int asked = slot.note;
    const Compass& c = rig.dlg->m_compass;
    rig.clickView(QPoint(c.m_scaleX + c.m_cellOffset + c.slotCell(slot) * c.m_cellWidth + 2, 300));
    rig.tick(20);
    const size_t sent = rig.midi.messages().size();
    if (ending == QLatin1String("escape"))
        QTest::keyClick(rig.dlg.get(), Qt::Key_Escape);
    else
        rig.dlg->close();
    QVERIFY(!rig.dlg->isVisible());
    // Only the teardown's silence, as before.
    QCOMPARE(rig.midi.messages().size(), sent + 1);
    QCOMPARE(rig.midi.messages().back(), Silence);
    const MistakeStats kept =
        rig.dlg->m_history.stats(QStringLiteral("TESTER"), HistoryStore::AllDays);
    QCOMPARE(kept.rounds, 1u);
    QCOMPARE(kept.notes[size_t(asked)].asked, 1u);
    QCOMPARE(kept.notes[size_t(asked)].firstRight, 1u);
}

void TstMainWindow::roundEndFinishesOnceHoweverOftenPainted() {
    Rig rig;
    rig.start();
    rig.click(1094);
    rig.tick(1666);
    QVERIFY(!rig.dlg->m_round.m_roundOver);
    rig.tick();
    QVERIFY(rig.dlg->m_round.m_roundOver);
    for (int i = 0; i < 5; ++i)
        rig.dlg->m_viewCtl->repaint();
    QTRY_COMPARE(rig.messages.size(), size_t(1));
    for (int i = 0; i < 5; ++i)
        rig.dlg->m_viewCtl->repaint();
    QTest::qWait(30);
    QCOMPARE(rig.messages.size(), size_t(1));
    QCOMPARE(rig.messages[0].caption, QStringLiteral("Der QVB-Zaradariveda meldet:"));
    QVERIFY(rig.messages[0].text.startsWith(QStringLiteral("Bravo, Du hast 0 Punkte errungen!")));
    QVERIFY(!rig.dlg->m_round.m_running);
    QVERIFY(rig.ctl(1094)->isEnabled());
    QCOMPARE(rig.midi.inStops, 1);
}

void TstMainWindow::minimisedWindowFinishesOnlyAfterRestore() {
    Rig rig;
    rig.start();
    rig.click(1094);
    rig.tick(1667);
    QVERIFY(rig.dlg->m_round.m_roundOver);
    rig.dlg->showMinimized();
    QVERIFY(rig.dlg->isMinimized());
    // Whatever paints arrive while minimised, the round waits.
    QPixmap sink(rig.dlg->m_viewCtl->size());
    QPainter painter(&sink);
    rig.dlg->paintView(painter);
    QTest::qWait(50);
    QVERIFY(rig.messages.empty());
    QVERIFY(rig.dlg->m_round.m_roundOver);
    rig.dlg->showNormal();
    QTRY_COMPARE(rig.messages.size(), size_t(1));
}

void TstMainWindow::instrumentChoicePreviewsAndFreeNoteIsSilenced() {
    Rig rig;
    rig.start();
    auto* combo = qobject_cast<QComboBox*>(rig.ctl(1161));
    combo->setCurrentIndex(7);
    QVERIFY(rig.midi.messages().empty()); // a selection by the program is no choice
    emit combo->activated(7);             // the user picks "Violine"
    QCOMPARE(rig.midi.messages(), (Messages{program(40), noteOn(69, 100)}));
    rig.clock.advance(2000);
    rig.dlg->onTimer(10);
    QCOMPARE(rig.midi.messages().size(), size_t(2));
    rig.clock.advance(1);
    rig.dlg->onTimer(10);
    QCOMPARE(rig.midi.messages().back(), Silence);
    rig.dlg->onTimer(10);
    QCOMPARE(rig.midi.messages().size(), size_t(3));
}

void TstMainWindow::optionRadiosFitTheOtherGroup() {
    Rig rig;
    rig.start();
    auto checked = [&](int id) { return qobject_cast<QRadioButton*>(rig.ctl(id))->isChecked(); };
    rig.click(1105); // C''
    rig.click(1003); // 4 octaves: the start moves down to C
    QVERIFY(checked(1102) && checked(1003));
    QCOMPARE(rig.dlg->m_compass.m_startNote, uint16_t(36));
    rig.click(1104); // C': 4 octaves do not fit, cut to 2
    QVERIFY(checked(1001) && checked(1104));
    QCOMPARE(rig.dlg->m_compass.m_octaves, uint16_t(2));
    rig.click(1117);
    QVERIFY(!rig.dlg->m_blackenRange);
    QVERIFY(!qobject_cast<QCheckBox*>(rig.ctl(1117))->isChecked());
}

void TstMainWindow::signalEndsTheWindowAndSavesTheList() {
    Rig rig;
    rig.start();
    QFile::remove(rig.path());
    rig.click(1094);
    QMetaObject::invokeMethod(rig.dlg.get(), &QDialog::reject, Qt::QueuedConnection);
    QTRY_VERIFY(!rig.dlg->isVisible());
    QVERIFY(QFile::exists(rig.path()));
    QCOMPARE(rig.midi.messages().back(), Silence);
}

namespace {
QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QStringList lines(const QByteArray& bytes) {
    return QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
}
// Acts once on the next modal dialog of the given kind, as the pupil would.
template <typename Dialog>
void onNextModal(std::function<void(Dialog*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}
} // namespace

void TstMainWindow::changesReachTheFileAtOnce_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected"); // lines 1-3 and 22-23 of the file; empty: untouched
    QTest::newRow("an entry, its list closed") << "award" << QStringList{"TESTER", "TESTER", "  0", "N0", " 10"};
    QTest::newRow("an entry, a column cleared in its list")
        << "award, clear 2" << QStringList{"TESTER", "TESTER", "  0", "Nobody", "  0"};
    QTest::newRow("a column cleared, its list still open")
        << "clear 2" << QStringList{"TESTER", "N0", " -1", "Nobody", "  0"};
    QTest::newRow("a new name") << "name" << QStringList{"ILSE", "N0", " -1", "N0", " 10"};
    QTest::newRow("the name dialog left with Escape") << "name escape" << QStringList{};
    QTest::newRow("the best list only looked at") << "look" << QStringList{};
}

void TstMainWindow::changesReachTheFileAtOnce() {
    QFETCH(QString, change);
    QFETCH(QStringList, expected);
    // Column 1 holds -1 points everywhere, so a round without a right answer enters it.
    Rig rig(true, 1, 1, -1);
    rig.start();
    const QByteArray before = fileBytes(rig.path());
    QByteArray seenOpen; // the file while the best-list dialog is still open

    if (change.startsWith(QLatin1String("award"))) {
        onNextModal<CHiscore>([&](CHiscore* dialog) {
            if (change.endsWith(QLatin1String("clear 2"))) {
                controlAs<QPushButton>(dialog, template103::clearId(2))->click();
                seenOpen = fileBytes(rig.path());
            }
            dialog->reject();
        });
        rig.click(IdNewTraining);
        rig.tick(1667);
        rig.dlg->m_viewCtl->repaint();
        QTRY_COMPARE(rig.messages.size(), size_t(1));
        QCOMPARE(rig.messages[0].caption, QStringLiteral("Gratulation !"));
        if (!seenOpen.isEmpty())
            QCOMPARE(lines(seenOpen).mid(21, 2), expected.mid(3, 2));
    } else if (change == "clear 2" || change == "look") {
        onNextModal<CHiscore>([&](CHiscore* dialog) {
            if (change == "clear 2")
                controlAs<QPushButton>(dialog, template103::clearId(2))->click();
            seenOpen = fileBytes(rig.path());
            controlAs<QPushButton>(dialog, template103::IdOk)->click();
        });
        rig.click(IdBestList);
        QCOMPARE(seenOpen, expected.isEmpty() ? before : fileBytes(rig.path()));
    } else {
        onNextModal<CPlayerName>([&](CPlayerName* dialog) {
            controlAs<QLineEdit>(dialog, template104::IdName)->setText(QStringLiteral("ILSE"));
            if (change == "name")
                controlAs<QPushButton>(dialog, template104::IdOk)->click();
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
        rig.click(IdNewName);
    }
    QTRY_VERIFY(!QApplication::activeModalWidget());

    // Nothing has ended the window: this is what a kill now would leave.
    const QByteArray now = fileBytes(rig.path());
    if (expected.isEmpty()) {
        QCOMPARE(now, before);
    } else {
        const QStringList got = lines(now);
        QCOMPARE(got.size(), 82); // 81 lines, each ended by CR LF
        QCOMPARE(got.mid(0, 3) + got.mid(21, 2), expected);
    }
    // The teardown writes the very same bytes.
    rig.dlg->done(QDialog::Accepted);
    if (!expected.isEmpty())
        QCOMPARE(fileBytes(rig.path()), now);
}

void TstMainWindow::sessionAskingToSaveLeavesTheGameRunning() {
    Rig rig;
    rig.start();
    const QByteArray before = fileBytes(rig.path());
    rig.click(IdNewTraining);
    rig.tick(50);
    QFile::remove(rig.path());
    rig.dlg->commitData(); // what a logout that may be cancelled asks
    QCOMPARE(fileBytes(rig.path()), before);
    QTest::qWait(50);
    QVERIFY(rig.dlg->isVisible());
    QVERIFY(!rig.dlg->closeRequested());
    rig.tick(50);
    QVERIFY(rig.dlg->m_round.m_running);
    QVERIFY(rig.messages.empty());
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
