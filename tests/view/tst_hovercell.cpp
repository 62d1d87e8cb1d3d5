// SPDX-License-Identifier: GPL-3.0-or-later
// The cell under the pointer: which moves change it, which ask for a repaint,
// and what the view highlights after an option change.
#include <QtTest>

#include "hovercell.h"
#include "viewrig.h"

namespace {
constexpr QRgb Black = 0;
constexpr int BandY = 300;
} // namespace

class TestHoverCell : public QObject {
    Q_OBJECT

private slots:
    void startsWithNothingHighlighted() {
        HoverCell hover;
        QCOMPARE(hover.m_hoverCell, -1);
    }

    void pointerMoves_data() {
        QTest::addColumn<int>("accidentals");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("startCell");
        QTest::addColumn<int>("hoverCell");
        QTest::addColumn<int>("clickCell");
        QTest::addColumn<bool>("repaint");
        // clickCell -99: left as it was.
        QTest::addRow("1 px left of cell 0") << 0 << QPoint(35, BandY) << -1 << 0 << 0 << true;
        QTest::addRow("cell width left of cell 0")
            << 0 << QPoint(6, BandY) << 5 << -1 << -1 << true;
        QTest::addRow("cell width left, from the start value")
            << 0 << QPoint(6, BandY) << -1 << -1 << -1 << false;
        QTest::addRow("x 906 without accidentals")
            << 0 << QPoint(906, BandY) << 3 << 29 << 29 << true;
        QTest::addRow("x 905 is the last cell") << 0 << QPoint(905, BandY) << 3 << 28 << 28 << true;
        QTest::addRow("x 918 with accidentals") << 1 << QPoint(918, BandY) << 3 << 49 << 49 << true;
        QTest::addRow("x 917 is the last cell") << 1 << QPoint(917, BandY) << 3 << 48 << 48 << true;
        QTest::addRow("same cell again") << 0 << QPoint(200, BandY) << 5 << 5 << 5 << false;
        QTest::addRow("top of the band") << 0 << QPoint(200, 229) << 1 << 5 << 5 << true;
        QTest::addRow("bottom of the band") << 0 << QPoint(200, 391) << 1 << 5 << 5 << true;
        QTest::addRow("above the band") << 0 << QPoint(200, 228) << 1 << 1 << -99 << false;
        QTest::addRow("below the band") << 0 << QPoint(200, 392) << 1 << 1 << -99 << false;
        QTest::addRow("up on the staff") << 0 << QPoint(500, 100) << 7 << 7 << -99 << false;
    }
    void pointerMoves() {
        QFETCH(int, accidentals);
        QFETCH(QPoint, pos);
        QFETCH(int, startCell);
        QFETCH(int, hoverCell);
        QFETCH(int, clickCell);
        QFETCH(bool, repaint);
        Compass compass;
        compass.setAccidentals(static_cast<uint16_t>(accidentals));
        HoverCell hover;
        hover.m_hoverCell = startCell;
        int32_t click = -99;
        QCOMPARE(hover.onPointerMove(pos, compass, click), repaint);
        QCOMPARE(hover.m_hoverCell, hoverCell);
        QCOMPARE(click, clickCell);
    }

    // What the frame shows for the cell the pointer leaves behind.
    void highlightFollowsThePointer_data() {
        QTest::addColumn<int>("accidentals");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("litLeft"); // -1: nothing lit
        QTest::addRow("1 px left of cell 0") << 0 << QPoint(35, BandY) << 36;
        QTest::addRow("cell width left of cell 0") << 0 << QPoint(6, BandY) << -1;
        QTest::addRow("x 906") << 0 << QPoint(906, BandY) << -1;
        QTest::addRow("x 918 with accidentals") << 1 << QPoint(918, BandY) << -1;
        QTest::addRow("cell 20 with accidentals") << 1 << QPoint(36 + 20 * 18 + 17, BandY) << 396;
    }
    void highlightFollowsThePointer() {
        QFETCH(int, accidentals);
        QFETCH(QPoint, pos);
        QFETCH(int, litLeft);
        ViewRig rig;
        rig.setCompass(accidentals, 2, 1);
        rig.compose();
        HoverCell hover;
        hover.onPointerMove(pos, rig.compass, rig.round.m_clickCell);
        rig.hover = hover.m_hoverCell;
        const QImage frame = rig.frame();
        if (litLeft < 0)
            QCOMPARE(frame, rig.view.backImage());
        else
            QCOMPARE(rgbAt(frame, litLeft, BandY), Black);
    }

    void leavingTheBandUpwardKeepsTheHighlight() {
        ViewRig rig;
        HoverCell hover;
        QVERIFY(
            hover.onPointerMove(QPoint(36 + 16 * 30 + 3, 240), rig.compass, rig.round.m_clickCell));
        QVERIFY(!hover.onPointerMove(QPoint(36 + 16 * 30 + 3, 228), rig.compass,
                                     rig.round.m_clickCell));
        QVERIFY(!hover.onPointerMove(QPoint(100, 50), rig.compass, rig.round.m_clickCell));
        QCOMPARE(hover.m_hoverCell, 16);
        QCOMPARE(rig.round.m_clickCell, 16);
        rig.hover = hover.m_hoverCell;
        QCOMPARE(rgbAt(rig.frame(), 36 + 16 * 30, BandY), Black);
    }

    // Switching "Mit" to "Ohne" keeps the hover index; it is only recomputed
    // when the pointer moves.
    void accidentalSwitchWithAPointerResting_data() {
        QTest::addColumn<int>("restingCell");
        QTest::addColumn<int>("litLeftAtOnce"); // -1: nothing until it moves
        QTest::addColumn<int>("cellAfterMove");
        QTest::addRow("on cell 40") << 40 << -1 << (40 * 18 + 5) / 30;
        QTest::addRow("on cell 10") << 10 << 36 + 10 * 30 << (10 * 18 + 5) / 30;
    }
    void accidentalSwitchWithAPointerResting() {
        QFETCH(int, restingCell);
        QFETCH(int, litLeftAtOnce);
        QFETCH(int, cellAfterMove);
        ViewRig rig;
        rig.setCompass(1, 2, 1);
        rig.compose();
        HoverCell hover;
        const QPoint pos(36 + restingCell * 18 + 5, BandY);
        hover.onPointerMove(pos, rig.compass, rig.round.m_clickCell);
        QCOMPARE(hover.m_hoverCell, restingCell);

        rig.setCompass(0, 2, 1); // the "Ohne" radio
        rig.compose();
        rig.hover = hover.m_hoverCell;
        const QImage atOnce = rig.frame();
        if (litLeftAtOnce < 0)
            QCOMPARE(atOnce, rig.view.backImage());
        else
            QCOMPARE(rgbAt(atOnce, litLeftAtOnce, BandY), Black);

        QVERIFY(hover.onPointerMove(pos, rig.compass, rig.round.m_clickCell));
        QCOMPARE(hover.m_hoverCell, cellAfterMove);
        rig.hover = hover.m_hoverCell;
        QCOMPARE(rgbAt(rig.frame(), 36 + cellAfterMove * 30, BandY), Black);
    }
};

QTEST_MAIN(TestHoverCell)
#include "tst_hovercell.moc"
