// SPDX-License-Identifier: GPL-3.0-or-later
// Frames of the view painted into an image: background, range shading, the
// hover cell, the entry line, the points pile and the points text.
#include <QtTest>

#include "viewrig.h"

namespace {
constexpr QRgb Ground = 0x202020, Shade = 0x363636, White = 0xffffff, Black = 0;
constexpr int LineRow = 230 + 29;   // the scale's top staff line in the view
constexpr int GroundRow = 230 + 24; // a row of the scale with no line on it

using Range = QPair<int, int>;
} // namespace

class TestViewFrame : public QObject {
    Q_OBJECT

private slots:
    void allPicturesLoad() {
        ViewRig rig;
        QCOMPARE(rig.picturesLoaded, 13);
    }

    void startUpFrame() {
        ViewRig rig;
        const QImage frame = rig.frame();
        // The upper staff at (5, 69), the logo at (400, 10), the scale at (5, 230).
        QCOMPARE(rgbAt(frame, 85 + 5, 69 + 29), White); // top treble line
        QCOMPARE(rgbAt(frame, 918, 69 + 129), White);   // right end line
        QCOMPARE(rgbAt(frame, 4, 69 + 29), Ground);
        QCOMPARE(rgbAt(frame, 919, 69 + 29), Ground);
        QCOMPARE(rgbAt(frame, 4, LineRow), Ground);
        QCOMPARE(rgbAt(frame, 5, LineRow), White); // the scale's left end line
        QCOMPARE(frame.copy(400, 10, 214, 69), rig.view.pictures().picture(143));
        // No pile before the first round, no notes.
        for (int y = 100; y < 200; ++y)
            for (int x = 0; x < 84; ++x)
                QCOMPARE(rgbAt(frame, x, y), Ground);
        QCOMPARE(ViewPainter::pointsText(rig.round.m_points), QString(" 0"));
    }

    // The scale picture overlaps the upper staff's two last rows and wins.
    void scaleCoversTheStaffsLastRows() {
        ViewRig rig;
        const QImage frame = rig.frame();
        const QImage& scale = rig.view.pictures().picture(174);
        for (int x = 5; x < 919; x += 7)
            QCOMPARE(rgbAt(frame, x, 230), scale.pixel(x - 5, 0) & 0xffffff);
    }

    void rangeShading_data() {
        QTest::addColumn<int>("accidentals");
        QTest::addColumn<int>("startOctave");
        QTest::addColumn<int>("octaves");
        QTest::addColumn<bool>("blacken");
        QTest::addColumn<QList<Range>>("shaded");
        QTest::addRow("start-up C' 1")
            << 0 << 2 << 1 << true << QList<Range>{{36, 455}, {696, 920}};
        QTest::addRow("C' 1 with accidentals")
            << 1 << 2 << 1 << true << QList<Range>{{36, 467}, {702, 919}};
        QTest::addRow("C 4") << 0 << 0 << 4 << true << QList<Range>{};
        QTest::addRow("C 4 with accidentals") << 1 << 0 << 4 << true << QList<Range>{};
        QTest::addRow("c 3") << 0 << 1 << 3 << true << QList<Range>{{36, 245}};
        QTest::addRow("c 3 with accidentals") << 1 << 1 << 3 << true << QList<Range>{{36, 251}};
        QTest::addRow("C'' 1") << 0 << 3 << 1 << true << QList<Range>{{36, 665}};
        QTest::addRow("C 1") << 0 << 0 << 1 << true << QList<Range>{{276, 920}};
        QTest::addRow("C 2 with accidentals") << 1 << 0 << 2 << true << QList<Range>{{486, 919}};
        QTest::addRow("shading off") << 0 << 2 << 1 << false << QList<Range>{};
    }
    void rangeShading() {
        QFETCH(int, accidentals);
        QFETCH(int, startOctave);
        QFETCH(int, octaves);
        QFETCH(bool, blacken);
        QFETCH(QList<Range>, shaded);
        ViewRig rig;
        rig.setCompass(accidentals, startOctave, octaves);
        rig.blacken = blacken;
        rig.compose();
        const QImage frame = rig.frame();
        for (int x = 36; x <= 921; ++x) {
            const Range* in = nullptr;
            for (const Range& r : shaded)
                if (x >= r.first && x <= r.second)
                    in = &r;
            const QRgb line = rgbAt(frame, x, LineRow);
            QRgb expected;
            if (x > 918)
                expected = Ground; // past the scale picture
            else if (!in)
                expected = White;
            else if (x == in->first || x == in->second)
                expected = Ground; // the gap the outline cuts into the line
            else
                expected = Shade;
            QVERIFY2(line == expected,
                     qPrintable(QString("column %1: %2").arg(x).arg(line, 6, 16)));
            // Inside a shaded area only the two greys are left, on every row of the band.
            if (in)
                for (int y = 228; y <= 391; ++y) {
                    const QRgb c = rgbAt(frame, x, y);
                    QVERIFY2(c == Ground || c == Shade, qPrintable(QString("%1,%2").arg(x).arg(y)));
                }
        }
        // The band's rows only: the upper staff is untouched.
        QCOMPARE(rgbAt(frame, 200, 227), Ground);
    }

    // The hover cell as a negative, with a black border, in the colour of the
    // last click's verdict.
    void hoverNegative_data() {
        QTest::addColumn<int>("accidentals");
        QTest::addColumn<int>("cell");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QRgb>("ground");
        QTest::addColumn<QRgb>("line");
        QTest::addRow("bright cell, no verdict") << 0 << 15 << 0 << QRgb(0xdfdfdf) << Black;
        QTest::addRow("right click") << 0 << 15 << 1 << QRgb(0x00df00) << Black;
        QTest::addRow("wrong click") << 0 << 15 << -1 << QRgb(0xff0000 & 0xdf0000) << Black;
        QTest::addRow("shaded cell") << 0 << 3 << 0 << QRgb(0xdfdfdf) << QRgb(0xc9c9c9);
        QTest::addRow("first cell with accidentals")
            << 1 << 0 << 0 << QRgb(0xdfdfdf) << QRgb(0xc9c9c9);
        QTest::addRow("last cell with accidentals")
            << 1 << 48 << 1 << QRgb(0x00df00) << QRgb(0x00c900);
    }
    void hoverNegative() {
        QFETCH(int, accidentals);
        QFETCH(int, cell);
        QFETCH(int, verdict);
        QFETCH(QRgb, ground);
        QFETCH(QRgb, line);
        ViewRig rig;
        rig.setCompass(accidentals, 2, 1);
        rig.compose();
        const QImage plain = rig.frame();
        rig.hover = cell;
        rig.round.m_clickVerdict = verdict;
        const QImage frame = rig.frame();
        const int w = rig.compass.m_cellWidth, left = 36 + cell * w;
        QCOMPARE(rgbAt(frame, left + w / 2, GroundRow), ground);
        QCOMPARE(rgbAt(frame, left + w / 2, LineRow), line);
        for (int y = 228; y <= 391; ++y) {
            QCOMPARE(rgbAt(frame, left, y), Black);
            QCOMPARE(rgbAt(frame, left + w - 1, y), Black);
        }
        for (int x = left; x < left + w; ++x) {
            QCOMPARE(rgbAt(frame, x, 228), Black);
            QCOMPARE(rgbAt(frame, x, 391), Black);
        }
        // Nothing outside the cell changes.
        for (int y : {227, 300, 392})
            for (int x : {left - 1, left + w})
                QCOMPARE(rgbAt(frame, x, y), rgbAt(plain, x, y));
    }

    void hoverOutOfRangeDrawsNothing_data() {
        QTest::addColumn<int>("accidentals");
        QTest::addColumn<int>("cell");
        QTest::addRow("start value") << 0 << -1;
        QTest::addRow("left of cell 0") << 0 << -2;
        QTest::addRow("past the last natural cell") << 0 << 29;
        QTest::addRow("chromatic cell in the natural grid") << 0 << 40;
        QTest::addRow("past the last chromatic cell") << 1 << 49;
    }
    void hoverOutOfRangeDrawsNothing() {
        QFETCH(int, accidentals);
        QFETCH(int, cell);
        ViewRig rig;
        rig.setCompass(accidentals, 2, 1);
        rig.compose();
        rig.hover = cell;
        const QImage frame = rig.frame();
        // The entry line at x 918 lies on the staff's own end line.
        QCOMPARE(frame, rig.view.backImage());
    }

    void entryLine_data() {
        QTest::addColumn<int>("entryX");
        QTest::addRow("round start") << 913;
        QTest::addRow("moved left") << 700;
        QTest::addRow("far left") << 300;
    }
    void entryLine() {
        QFETCH(int, entryX);
        ViewRig rig;
        rig.round.m_entryX = static_cast<uint16_t>(entryX);
        const QImage frame = rig.frame();
        const int x = entryX + 5;
        for (int y = 99; y <= 198; ++y)
            QCOMPARE(rgbAt(frame, x, y), White);
        QCOMPARE(rgbAt(frame, x, 97), Ground); // above the top treble line
        QCOMPARE(rgbAt(frame, x, 199), Ground);
        QCOMPARE(rgbAt(frame, x - 1, 150), x - 1 == 918 ? White : Ground);
        QCOMPARE(rgbAt(frame, x + 1, 150), Ground);
    }

    void entryLineAtARoundsStart() {
        ViewRig rig;
        rig.round.m_entryX = 500;
        rig.round.startTraining();
        QCOMPARE(rig.round.m_entryX, uint16_t(913));
        const QImage frame = rig.frame();
        QCOMPARE(rgbAt(frame, 918, 150), White);
        QCOMPARE(rgbAt(frame, 505, 150), Ground);
        // The first note enters hidden under its bar, its left edge 5 px left of the line.
        QCOMPARE(rgbAt(frame, 913, 95), White);
        QCOMPARE(rgbAt(frame, 912, 95), Ground);
    }

    void pile_data() {
        QTest::addColumn<int>("points");
        for (int n : {0, 1, 7, 50, 99, 100, 101, 150, 200})
            QTest::addRow("%d points", n) << n;
    }
    void pile() {
        QFETCH(int, points);
        ViewRig rig;
        rig.round.m_points = static_cast<uint16_t>(points);
        rig.round.m_pileChanged = true;
        const QImage frame = rig.frame();
        QVERIFY(!rig.round.m_pileChanged);
        // Every head ORed onto the dark grey at its place, place i mod 100 past the hundredth.
        QImage expected(79, 100, QImage::Format_RGB32);
        expected.fill(Ground);
        const QImage& head = rig.view.pictures().picture(177);
        for (int i = 0; i < points; ++i) {
            const int px = 4 * PileTable::Column[i % 100], py = 10 * (9 - PileTable::Row[i % 100]);
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 18; ++x)
                    if (px + x < 79 && py + y < 100)
                        expected.setPixel(px + x, py + y,
                                          expected.pixel(px + x, py + y) | head.pixel(x, y));
        }
        QCOMPARE(frame.copy(0, 100, 79, 100), expected);
        QCOMPARE(rig.view.backImage().copy(0, 100, 79, 100), expected);
        // The heads' green shows where the first head lands: the middle of the bottom row.
        if (points > 0)
            QCOMPARE(rgbAt(frame, 36 + 3, 100 + 90 + 4), QRgb(0x2efe22));
    }

    void pileStaysUntilChanged() {
        ViewRig rig;
        rig.round.m_points = 5;
        rig.round.m_pileChanged = true;
        const QImage first = rig.frame();
        rig.round.m_points = 6; // without m_pileChanged the pile is not redrawn
        QCOMPARE(rig.frame().copy(0, 100, 79, 100), first.copy(0, 100, 79, 100));
    }

    void pileGoneAfterOptionChange() {
        ViewRig rig;
        const QImage bare = rig.frame();
        rig.round.m_points = 12;
        rig.round.m_pileChanged = true;
        QVERIFY(rig.frame().copy(0, 100, 79, 100) != bare.copy(0, 100, 79, 100));
        rig.setCompass(0, 1, 2);
        rig.compose();
        rig.setCompass(0, 2, 1);
        rig.compose();
        QCOMPARE(rig.frame(), bare);
        QCOMPARE(ViewPainter::pointsText(rig.round.m_points), QString("12"));
    }

    void pointsText_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("text");
        QTest::addRow("0") << 0 << " 0";
        QTest::addRow("7") << 7 << " 7";
        QTest::addRow("10") << 10 << "10";
        QTest::addRow("100") << 100 << "100";
        QTest::addRow("65535") << 65535 << "65535";
    }
    void pointsText() {
        QFETCH(int, points);
        QFETCH(QString, text);
        QCOMPARE(ViewPainter::pointsText(static_cast<uint16_t>(points)), text);
    }

    // The same code paints on a widget: its paint must give the same pixels.
    void widgetPaintMatchesImage() {
        ViewRig rig;
        rig.hover = 16;
        rig.place(0, NoteSlot::OnLine, -1, 600.f, 2, 3);
        rig.place(1, NoteSlot::OnLine, 1, 400.f, 2, 0, 1);
        const QImage expected = rig.frame();
        QWidget widget;
        widget.setFixedSize(ViewPainter::ViewSize);
        widget.setAttribute(Qt::WA_OpaquePaintEvent);
        struct Filter : QObject {
            ViewRig* rig;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() != QEvent::Paint)
                    return false;
                QPainter p(static_cast<QWidget*>(o));
                rig->view.paintView(p, rig->round, rig->compass, rig->hover);
                return true;
            }
        } filter;
        filter.rig = &rig;
        widget.installEventFilter(&filter);
        const QImage grabbed = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(grabbed, expected);
    }
};

QTEST_MAIN(TestViewFrame)
#include "tst_viewframe.moc"
