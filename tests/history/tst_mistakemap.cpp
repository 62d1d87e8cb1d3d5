// SPDX-License-Identifier: GPL-3.0-or-later
// The mistake map as the pupil sees it: cell colours on the rendered dialog
// for a known history, the confusions and a note's tally in words, and the
// period choice; the rounds are kept in a real SQLite file.
#include <QtTest>

#include <QAccessible>
#include <QRadioButton>
#include <QTemporaryDir>

#include "cmistakemap.h"
#include "historyfixtures.h"
#include "mistakemappainter.h"
#include "mistakestaffview.h"
#include "mistaketexts.h"
#include "notenames.h"
#include "roundhistory.h"
#include "sqlitehistory.h"
#include "viewpainter.h"
#include "viewstyle.h"

namespace {
const QDateTime Today(QDate(2026, 12, 8), QTime(15, 0));

// A history in a temporary folder and the trainer view's back image for the
// compass "C'", one octave, without accidentals.
struct MapRig {
    QTemporaryDir dir;
    RoundHistory history{[] { return QStringLiteral("Anna"); }, [] { return 0; },
                         [this] { return std::make_unique<SqliteHistory>(
                                      dir.filePath(QStringLiteral("dataGehoer.sqlite"))); }};
    Compass compass;
    ViewPainter painter;

    MapRig() {
        compass.setAccidentals(0);
        painter.initViewResources();
        painter.createImages();
        painter.composeBackground(compass, true);
    }
    void keep(const QDateTime& at, RoundRecord round) {
        history.setNow([at] { return at; });
        history.keepRound(std::move(round));
    }
    std::unique_ptr<CMistakeMap> open() {
        auto map = std::make_unique<CMistakeMap>(history, QStringLiteral("Anna"), compass,
                                                 painter.backImage());
        map->setToday(RoundHistory::localDay(Today));
        return map;
    }
    QImage plainStaff() const {
        return painter.backImage().copy(
            MistakeMapPainter::staffRect(compass, painter.backImage().width()));
    }
    int cellOf(int note) const {
        for (int c = 0; c < compass.m_cellCount; ++c)
            if (compass.cellToNote(c) == note)
                return c;
        return -1;
    }
};

QRgb andNot(QRgb colour, QRgb under) {
    return qRgb(qRed(colour) & ~qRed(under), qGreen(colour) & ~qGreen(under),
                qBlue(colour) & ~qBlue(under));
}
} // namespace

class TestMistakeMap : public QObject {
    Q_OBJECT
private slots:
    void noteNames_data();
    void noteNames();
    void cellsAreColouredByTheFirstTry_data();
    void cellsAreColouredByTheFirstTry();
    void confusionsAndNoteTallyInWords();
    void periodChoice();
    void keyboardGoesOverTheAskedNotesAndNamesTheirTally();
};

void TestMistakeMap::noteNames_data() {
    QTest::addColumn<int>("note");
    QTest::addColumn<QString>("name");
    QTest::newRow("low C") << 36 << "C";
    QTest::newRow("C sharp") << 37 << "Cis";
    QTest::newRow("B flat") << 46 << "B";
    QTest::newRow("H") << 47 << "H";
    QTest::newRow("small c") << 48 << "c";
    QTest::newRow("small b") << 58 << "b";
    QTest::newRow("C'") << 60 << "C'";
    QTest::newRow("Fis'") << 66 << "Fis'";
    QTest::newRow("C''") << 72 << "C''";
    QTest::newRow("H''") << 83 << "H''";
    QTest::newRow("top C") << 84 << "C'''";
}

void TestMistakeMap::noteNames() {
    QFETCH(int, note);
    QFETCH(QString, name);
    QCOMPARE(noteName(note), name);
}

void TestMistakeMap::cellsAreColouredByTheFirstTry_data() {
    QTest::addColumn<int>("note");
    QTest::addColumn<QRgb>("colour"); // 0: none laid on
    QTest::addColumn<QRgb>("ground"); // a dark grey pixel of the cell becomes this
    QTest::newRow("C' always right: green") << 60 << qRgb(0, 255, 0) << qRgb(0, 223, 0);
    QTest::newRow("D' half the time: yellow") << 62 << qRgb(255, 255, 0) << qRgb(223, 223, 0);
    QTest::newRow("E' a quarter: orange") << 64 << qRgb(255, 128, 0) << qRgb(223, 128, 0);
    QTest::newRow("F' never: red") << 65 << qRgb(255, 0, 0) << qRgb(223, 0, 0);
    QTest::newRow("G' never asked: unchanged") << 67 << QRgb(0) << ViewColour::DarkGrey;
}

void TestMistakeMap::cellsAreColouredByTheFirstTry() {
    QFETCH(int, note);
    QFETCH(QRgb, colour);
    QFETCH(QRgb, ground);
    MapRig rig;
    rig.keep(Today, makeRound("Anna", {{60, {60}, 900}, {62, {62}, 900}, {64, {64}, 900},
                                       {65, {67, 65}, 900}, {60, {60}, 900}, {62, {64, 62}, 900}}));
    rig.keep(Today, makeRound("Anna", {{64, {65, 64}, 900}, {64, {65, 64}, 900},
                                       {64, {65}}, {65, {}}}));
    auto map = rig.open();
    map->show();
    QVERIFY(QTest::qWaitForWindowExposed(map.get()));
    const QImage shot = map->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = map->staffView()->mapTo(map.get(), QPoint(0, 0));
    const QImage plain = rig.plainStaff();

    const QRect cell = MistakeMapPainter::cellRect(rig.compass, rig.cellOf(note));
    bool sawGround = false;
    // Inside the cell's one-pixel border every pixel is the colour AND NOT
    // the staff beneath, or the staff itself where nothing was asked.
    for (int y = cell.top() + 1; y < cell.bottom(); ++y) {
        for (int x = cell.left() + 1; x < cell.right(); ++x) {
            const QRgb under = plain.pixel(x, y);
            const QRgb seen = shot.pixel(origin + QPoint(x, y)) | 0xff000000;
            const QRgb expected = colour ? andNot(colour, under) : under | 0xff000000;
            if (seen != (expected | 0xff000000))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, not %4")
                                     .arg(x).arg(y).arg(seen, 0, 16).arg(expected, 0, 16)));
            if ((under & 0xffffff) == (ViewColour::DarkGrey & 0xffffff)) {
                QCOMPARE(seen, ground | 0xff000000);
                sawGround = true;
            }
        }
    }
    QVERIFY(sawGround);
}

void TestMistakeMap::confusionsAndNoteTallyInWords() {
    MapRig rig;
    {
        auto map = rig.open();
        QCOMPARE(map->windowTitle(), QStringLiteral("Fehlerbild von Anna"));
        QCOMPARE(map->confusionsText(), QStringLiteral("In dieser Zeit hast Du noch keine Runde gespielt."));
    }
    rig.keep(Today, makeRound("Anna", {{60, {60}, 1000}}));
    QCOMPARE(rig.open()->confusionsText(),
             QStringLiteral("In dieser Zeit hast Du keinen Ton verwechselt. Prima!"));
    // Seven confusions; G for F most often; the last two are not shown.
    rig.keep(Today, makeRound("Anna", {{65, {67, 67, 67, 64, 65}, 4000}, {60, {62, 62, 72, 60}, 2500},
                                       {71, {-72, -69}}, {48, {47, 48}, 1500}}));
    auto map = rig.open();
    QCOMPARE(map->confusionsText(),
             QStringLiteral("Diese Töne hast Du am häufigsten verwechselt:\n"
                            "G' statt F': 3-mal\n"
                            "D' statt C': 2-mal\n"
                            "H statt c: 1-mal\n"
                            "C'' statt C': 1-mal\n"
                            "E' statt F': 1-mal"));

    // Pointing at C' tells its tally; off the notes the hint comes back.
    map->show();
    QVERIFY(QTest::qWaitForWindowExposed(map.get()));
    QCOMPARE(map->noteText(), QStringLiteral("Zeig mit der Maus auf eine Note, dann siehst Du, wie es Dir mit ihr ging."));
    const QRect c1 = MistakeMapPainter::cellRect(rig.compass, rig.cellOf(60));
    QTest::mouseMove(map->staffView(), c1.center());
    QTRY_COMPARE(map->noteText(),
                 QStringLiteral("C': 2-mal gefragt, 1-mal hast Du ihn gleich beim ersten Versuch"
                                " erkannt; bis zur richtigen Antwort hast Du im Mittel 1,8 s gebraucht."));
    const QRect h1 = MistakeMapPainter::cellRect(rig.compass, rig.cellOf(71));
    QTest::mouseMove(map->staffView(), h1.center());
    QTRY_COMPARE(map->noteText(),
                 QStringLiteral("H': 1-mal gefragt, 0-mal hast Du ihn gleich beim ersten Versuch"
                                " erkannt; richtig beantwortet hast Du ihn noch nie."));
    const QRect a1 = MistakeMapPainter::cellRect(rig.compass, rig.cellOf(69));
    QTest::mouseMove(map->staffView(), a1.center());
    QTRY_COMPARE(map->noteText(), QStringLiteral("A': war bei Dir in dieser Zeit noch nicht dran."));
    QTest::mouseMove(map->staffView(), QPoint(10, 5)); // left of the first cell
    QTRY_COMPARE(map->noteText(), QStringLiteral("Zeig mit der Maus auf eine Note, dann siehst Du, wie es Dir mit ihr ging."));
}

void TestMistakeMap::periodChoice() {
    MapRig rig;
    rig.keep(Today.addDays(-10), makeRound("Anna", {{60, {62, 60}, 900}}));
    rig.keep(Today.addDays(-6), makeRound("Anna", {{60, {64, 60}, 900}}));
    rig.keep(Today.addDays(-7), makeRound("Anna", {{60, {65, 60}, 900}})); // just outside 7 days
    rig.keep(Today.addSecs(-14 * 3600), makeRound("Anna", {{60, {60}, 900}})); // 1 o'clock today
    rig.keep(Today, makeRound("Ben", {{60, {67, 60}, 900}}));
    auto map = rig.open();
    QCOMPARE(map->period(), CMistakeMap::Period::All);
    struct Case { const char* button; CMistakeMap::Period period; uint32_t rounds, firstRight;
                  const char* firstConfusion; };
    for (const Case c : {Case{"Heute", CMistakeMap::Period::Today, 1, 1, nullptr},
                         Case{"Letzte 7 Tage", CMistakeMap::Period::LastSevenDays, 2, 1, "E' statt C': 1-mal"},
                         Case{"Alles", CMistakeMap::Period::All, 4, 1, "D' statt C': 1-mal"}}) {
        QRadioButton* button = nullptr;
        for (QRadioButton* b : map->findChildren<QRadioButton*>())
            if (b->text() == QString::fromUtf8(c.button))
                button = b;
        QVERIFY(button);
        button->click();
        QCOMPARE(map->period(), c.period);
        QCOMPARE(map->stats().rounds, c.rounds);
        QCOMPARE(map->stats().notes[60].asked, c.rounds);
        QCOMPARE(map->stats().notes[60].firstRight, c.firstRight);
        const QString text = map->confusionsText();
        if (c.firstConfusion)
            QCOMPARE(text.section(QLatin1Char('\n'), 1, 1), QString::fromUtf8(c.firstConfusion));
        else
            QVERIFY(!text.contains(QLatin1String("statt")));
    }
}

// Tab reaches the staff; Left and Right go from one asked note to the next
// (never to one not asked), and the tally the pointer would show becomes the
// staff's name on the accessibility bus. The frame shows only with the focus.
void TestMistakeMap::keyboardGoesOverTheAskedNotesAndNamesTheirTally() {
    MapRig rig;
    rig.keep(Today, makeRound("Anna", {{64, {64}, 900}, {60, {62, 60}, 1200}, {71, {71}, 700}}));
    auto map = rig.open();
    map->show();
    QVERIFY(QTest::qWaitForWindowActive(map.get()));
    const QImage unfocused = map->staffView()->grab().toImage();
    MistakeStaffView* staff = map->staffView();
    QCOMPARE(staff->focusPolicy(), Qt::TabFocus);
    auto name = [staff] {
        return QAccessible::queryAccessibleInterface(staff)->text(QAccessible::Name);
    };
    auto tally = [&map](int note) {
        return MistakeTexts::note(note, map->stats().notes[size_t(note)]);
    };
    staff->setFocus(Qt::TabFocusReason);
    QCOMPARE(name(), tally(60));
    QCOMPARE(map->noteText(), tally(60));
    QVERIFY(staff->grab().toImage() != unfocused);
    const int steps[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left};
    const int seen[] = {60, 64, 71, 71, 64};
    for (size_t i = 0; i < std::size(steps); ++i) {
        QTest::keyClick(staff, Qt::Key(steps[i]));
        QCOMPARE(staff->focusedNote(), seen[i]);
        QCOMPARE(name(), tally(seen[i]));
    }
    map->choosePeriod(CMistakeMap::Period::Today); // the notes of another period
    QCOMPARE(name(), tally(60));
    staff->clearFocus();
    QCOMPARE(staff->grab().toImage(), unfocused);
}

QTEST_MAIN(TestMistakeMap)
#include "tst_mistakemap.moc"
