// SPDX-License-Identifier: GPL-3.0-or-later
// The notes of a round as the view paints them: bars, heads, signs and
// ledger lines by state, result and practice mode.
#include <QtTest>

#include "notepainter.h"
#include "viewrig.h"

namespace {
constexpr QRgb Ground = 0x202020, White = 0xffffff, Green = 0x00ff00, Red = 0xff0000;

// `picture` ORed onto `under` at (x, y): the pixels the frame must show there.
void expectOred(const QImage& frame, const QImage& under, const QImage& picture, int x, int y) {
    for (int py = 0; py < picture.height(); ++py)
        for (int px = 0; px < picture.width(); ++px) {
            const QRgb want = (rgbAt(under, x + px, y + py) | rgbAt(picture, px, py)) & 0xffffff;
            QVERIFY2(rgbAt(frame, x + px, y + py) == want,
                     qPrintable(QString("%1,%2").arg(x + px).arg(y + py)));
        }
}

bool sameArea(const QImage& a, const QImage& b, const QRect& r) {
    return a.copy(r) == b.copy(r);
}
} // namespace

class TestViewNotes : public QObject {
    Q_OBJECT

private slots:
    void whiteBarHidesAnOpenNote() {
        ViewRig rig;
        const QImage bare = rig.frame();
        NoteSlot& slot = rig.place(0, NoteSlot::OnLine, 0, 500.9f, 2, 4, 1);
        const QImage frame = rig.frame();
        QCOMPARE(slot.drawX, int16_t(500));
        QCOMPARE(slot.drawY, int16_t(69 + 5 * (29 - 18)));
        for (int y = 90; y <= 209; ++y)
            for (int x = 500; x <= 517; ++x)
                QCOMPARE(rgbAt(frame, x, y), White);
        QCOMPARE(rgbAt(frame, 499, 95), Ground);
        QCOMPARE(rgbAt(frame, 518, 95), Ground);
        QCOMPARE(rgbAt(frame, 505, 89), Ground);
        QCOMPARE(rgbAt(frame, 505, 210), Ground);
        // Neither head, sign nor ledger line shows beside the bar.
        QVERIFY(sameArea(frame, bare, QRect(480, 80, 20, 150)));
    }

    void redBarAfterAWrongAnswer() {
        ViewRig rig;
        rig.place(0, NoteSlot::OnLine, -1, 600.f, 2, 0, 1);
        const QImage frame = rig.frame();
        for (int x = 600; x <= 619; ++x) {
            QCOMPARE(rgbAt(frame, x, 90), White);
            QCOMPARE(rgbAt(frame, x, 209), White);
        }
        for (int y = 90; y <= 209; ++y) {
            QCOMPARE(rgbAt(frame, 600, y), White);
            QCOMPARE(rgbAt(frame, 619, y), White);
        }
        for (int y = 91; y <= 208; ++y)
            for (int x = 601; x <= 618; ++x)
                QCOMPARE(rgbAt(frame, x, y), Red);
        QCOMPARE(rgbAt(frame, 620, 95), Ground);
        QCOMPARE(rgbAt(frame, 600, 210), Ground);
        // No ledger line for middle C while it is hidden.
        QCOMPARE(rgbAt(frame, 597, 69 + 79), Ground);
    }

    // Heads and signs ORed at their places, in the colour of the result.
    void headsAndSigns_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("practice");
        QTest::addColumn<int>("accidental");
        QTest::addColumn<int>("head");
        QTest::addColumn<int>("sign");
        QTest::addRow("practice, open, sharp") << 0 << true << 1 << 176 << 139;
        QTest::addRow("practice, open, flat") << 0 << true << -1 << 176 << 129;
        QTest::addRow("practice, wrong, sharp") << -1 << true << 1 << 178 << 141;
        QTest::addRow("practice, wrong, flat") << -1 << true << -1 << 178 << 131;
        QTest::addRow("right, flat") << 1 << false << -1 << 177 << 130;
        QTest::addRow("right, sharp") << 1 << false << 1 << 177 << 140;
        QTest::addRow("practice, right, no sign") << 1 << true << 0 << 177 << 0;
    }
    void headsAndSigns() {
        QFETCH(int, result);
        QFETCH(bool, practice);
        QFETCH(int, accidental);
        QFETCH(int, head);
        QFETCH(int, sign);
        ViewRig rig;
        rig.round.m_practice = practice;
        const QImage bare = rig.frame();
        const NoteSlot& slot = rig.place(3, NoteSlot::OnLine, result, 450.3f, 2, 5, accidental);
        const QImage frame = rig.frame();
        const auto& pics = rig.view.pictures();
        expectOred(frame, bare, pics.picture(head), slot.drawX, slot.drawY);
        if (sign)
            expectOred(frame, bare, pics.picture(sign), slot.drawX - 11, slot.drawY - 10);
        else
            QVERIFY(sameArea(frame, bare, QRect(slot.drawX - 11, slot.drawY - 10, 10, 30)));
        // No bar.
        QCOMPARE(rgbAt(frame, slot.drawX + 5, 92), Ground);
    }

    void rightNoteClickedStillShowsSignAndLedger() {
        ViewRig rig;
        const QImage bare = rig.frame();
        const NoteSlot& dSharp = rig.place(0, NoteSlot::ClickedRight, 1, 700.f, 2, 1, 1);
        const NoteSlot& cSharp = rig.place(1, NoteSlot::ClickedRight, 1, 500.f, 2, 0, 1);
        const QImage frame = rig.frame();
        expectOred(frame, bare, rig.view.pictures().picture(140), dSharp.drawX - 11,
                   dSharp.drawY - 10);
        // The ledger line is drawn after the sign, over columns drawX - 3 ..
        // drawX + 19 of its two rows; left of it the sign shows.
        const QImage& sign = rig.view.pictures().picture(140);
        for (int row : {69 + 79, 69 + 80}) {
            QCOMPARE(rgbAt(frame, cSharp.drawX - 3, row), Green);
            const int sx = cSharp.drawX - 6;
            QCOMPARE(rgbAt(frame, sx, row),
                     rgbAt(bare, sx, row) |
                         rgbAt(sign, sx - (cSharp.drawX - 11), row - (cSharp.drawY - 10)));
        }
    }

    // Ledger lines two rows thick over drawX - 3 .. drawX + 19.
    void ledgerLines_data() {
        QTest::addColumn<int>("octave");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("practice");
        QTest::addColumn<QList<int>>("offsets");
        QTest::addColumn<QRgb>("colour");
        QTest::addRow("middle C right") << 2 << 0 << 1 << false << QList<int>{79} << Green;
        QTest::addRow("top C right") << 4 << 0 << 1 << false << QList<int>{9, 19} << Green;
        QTest::addRow("low C right") << 0 << 0 << 1 << false << QList<int>{139, 149} << Green;
        QTest::addRow("low D practice") << 0 << 1 << 0 << true << QList<int>{139} << White;
        QTest::addRow("low E wrong, practice") << 0 << 2 << -1 << true << QList<int>{139} << Red;
        QTest::addRow("A above, right") << 3 << 5 << 1 << false << QList<int>{19} << Green;
        QTest::addRow("H above, practice") << 3 << 6 << 0 << true << QList<int>{19} << White;
        QTest::addRow("F, none") << 0 << 3 << 1 << false << QList<int>{} << Green;
        QTest::addRow("G above, none") << 3 << 4 << 1 << false << QList<int>{} << Green;
        QTest::addRow("D' none") << 2 << 1 << 1 << false << QList<int>{} << Green;
    }
    void ledgerLines() {
        QFETCH(int, octave);
        QFETCH(int, step);
        QFETCH(int, result);
        QFETCH(bool, practice);
        QFETCH(QList<int>, offsets);
        QFETCH(QRgb, colour);
        ViewRig rig;
        rig.round.m_practice = practice;
        const QImage bare = rig.frame();
        const NoteSlot& slot = rig.place(0, NoteSlot::OnLine, result, 321.7f, octave, step);
        const QImage frame = rig.frame();
        const int x = slot.drawX;
        for (int k : {9, 19, 79, 139, 149}) {
            for (int row : {69 + k, 69 + k + 1}) {
                const bool wanted = offsets.contains(k);
                for (int c = x - 3; c <= x + 19; ++c) {
                    if (wanted)
                        QCOMPARE(rgbAt(frame, c, row), colour);
                }
                if (wanted) {
                    QCOMPARE(rgbAt(frame, x - 4, row), rgbAt(bare, x - 4, row));
                    QCOMPARE(rgbAt(frame, x + 20, row), rgbAt(bare, x + 20, row));
                } else {
                    QCOMPARE(rgbAt(frame, x - 3, row), rgbAt(bare, x - 3, row));
                    QCOMPARE(rgbAt(frame, x + 19, row), rgbAt(bare, x + 19, row));
                }
            }
        }
    }

    void ledgerTable() {
        int withLedger = 0;
        for (int octave = 0; octave <= 4; ++octave)
            for (int step = 0; step < 7; ++step)
                withLedger += NotePainter::ledgerOffsets(octave, step)[0] != 0;
        QCOMPARE(withLedger, 7); // C D E low, middle C, A H high, top C
    }

    void fallingNoteIsABareHead() {
        ViewRig rig;
        const QImage bare = rig.frame();
        NoteSlot& slot = rig.place(0, NoteSlot::OffLine, 1, 60.4f, 2, 0, 1);
        slot.y = 130.9f;
        const QImage frame = rig.frame();
        QCOMPARE(slot.drawX, int16_t(60));
        QCOMPARE(slot.drawY, int16_t(130));
        expectOred(frame, bare, rig.view.pictures().picture(177), 60, 130);
        QVERIFY(sameArea(frame, bare, QRect(49, 120, 10, 30)));        // no sign
        QCOMPARE(rgbAt(frame, 57, 69 + 79), rgbAt(bare, 57, 69 + 79)); // no ledger line
    }

    void offLineNotesByResult_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("practice");
        QTest::addColumn<QRgb>("at");
        QTest::addRow("open note keeps its bar") << 0 << false << White;
        QTest::addRow("wrong note keeps its red bar") << -1 << false << Red;
    }
    void offLineNotesByResult() {
        QFETCH(int, result);
        QFETCH(bool, practice);
        QFETCH(QRgb, at);
        ViewRig rig;
        rig.round.m_practice = practice;
        rig.place(0, NoteSlot::OffLine, result, 70.f, 2, 2);
        QCOMPARE(rgbAt(rig.frame(), 75, 150), at);
    }

    void finishedAndFreeSlotsDrawNothing() {
        ViewRig rig;
        const QImage bare = rig.frame();
        NoteSlot& landed = rig.place(0, NoteSlot::Finished, 1, 300.f, 2, 0, 1);
        NoteSlot& free = rig.place(1, NoteSlot::Free, 0, 400.f, 2, 0);
        free.drawX = 7;
        QCOMPARE(rig.frame(), bare);
        QCOMPARE(landed.drawX, int16_t(300)); // still recorded
        QCOMPARE(free.drawX, int16_t(7));     // a free slot is not touched
    }

    void unknownResultDrawsNoBody() {
        ViewRig rig;
        const QImage bare = rig.frame();
        rig.place(0, NoteSlot::OnLine, 2, 300.f, 2, 3);
        QCOMPARE(rig.frame(), bare);
    }

    void laterSlotsOverEarlierOnes_data() {
        QTest::addColumn<int>("firstResult");
        QTest::addColumn<int>("secondResult");
        QTest::addColumn<QRgb>("overlap");
        QTest::addRow("red bar over white bar") << 0 << -1 << Red;
        QTest::addRow("white bar over red bar") << -1 << 0 << White;
    }
    void laterSlotsOverEarlierOnes() {
        QFETCH(int, firstResult);
        QFETCH(int, secondResult);
        QFETCH(QRgb, overlap);
        ViewRig rig;
        rig.place(10, NoteSlot::OnLine, firstResult, 500.f, 2, 2);
        rig.place(11, NoteSlot::OnLine, secondResult, 506.f, 2, 4);
        QCOMPARE(rgbAt(rig.frame(), 510, 150), overlap);
    }

    void positionsLeftOfTheViewDrawNothingThere() {
        ViewRig rig;
        const QImage bare = rig.frame();
        NoteSlot& slot = rig.place(0, NoteSlot::OnLine, 0, -2.5f, 2, 2);
        const QImage frame = rig.frame();
        QCOMPARE(slot.drawX, int16_t(-2));
        // Read as unsigned, the bar stands at 65534: outside the view.
        QCOMPARE(frame, bare);
    }
};

QTEST_MAIN(TestViewNotes)
#include "tst_viewnotes.moc"
