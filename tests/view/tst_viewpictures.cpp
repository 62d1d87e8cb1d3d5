// SPDX-License-Identifier: GPL-3.0-or-later
// The committed pictures, as the view loads them: sizes, staff rows and
// columns, note cells, colours and grounds.
#include <QtTest>

#include "picturereading.h"
#include "viewpictures.h"

namespace {
constexpr QRgb Ground = 0x202020, White = 0xffffff, Black = 0x000000;
constexpr int LineRows[] = {29, 39, 49, 59, 69, 89, 99, 109, 119, 129};
constexpr int LedgerRows[] = {9, 19, 79, 139, 149};

QRgb at(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xffffff;
}
bool isLineRow(int row) {
    return std::find(std::begin(LineRows), std::end(LineRows), row) != std::end(LineRows);
}
bool isLedgerRow(int row) {
    return std::find(std::begin(LedgerRows), std::end(LedgerRows), row) != std::end(LedgerRows);
}
int rowOfPosition(int p) {
    return 149 - 5 * p;
}

// Staff position and sign of lower-staff cell k with accidentals: C, C sharp,
// D, D sharp, E, F, F sharp, G, G sharp, A, B flat, H (natural sign).
int chromaticPosition(int k) {
    static constexpr int Step[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 6, 6};
    return 7 * (k / 12) + Step[k % 12];
}

// Rows in columns x0..x1 that hold white pixels not belonging to a staff or ledger line.
QList<int> noteRows(const QImage& image, int x0, int x1) {
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (isLineRow(y) || isLedgerRow(y))
            continue;
        for (int x = x0; x <= x1; ++x) {
            if (at(image, x, y) == White) {
                rows.append(y);
                break;
            }
        }
    }
    return rows;
}
} // namespace

class TestViewPictures : public QObject {
    Q_OBJECT
    ViewPictures m_pictures;

private slots:
    void initTestCase() { QCOMPARE(m_pictures.load(), 13); }

    void sizes_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QImage::Format>("format");
        // The staves are only ever copied whole and keep one byte a pixel;
        // what is combined bitwise is 32-bit RGB like the images beneath.
        for (int id : {147, 174, 171})
            QTest::addRow("staff %d", id) << id << QSize(914, 163) << QImage::Format_Indexed8;
        QTest::addRow("logo") << 143 << QSize(214, 69) << QImage::Format_RGB32;
        for (int id : {176, 177, 178})
            QTest::addRow("head %d", id) << id << QSize(18, 10) << QImage::Format_RGB32;
        for (int id : {129, 130, 131, 139, 140, 141})
            QTest::addRow("sign %d", id) << id << QSize(10, 30) << QImage::Format_RGB32;
    }
    void sizes() {
        QFETCH(int, id);
        QFETCH(QSize, size);
        QFETCH(QImage::Format, format);
        QCOMPARE(m_pictures.size(id), size);
        QCOMPARE(m_pictures.picture(id).format(), format);
    }

    // The program reads them on a thread of their own while the window is
    // built: the same pictures, pixel for pixel, and the window's icon sizes.
    void readingOnAThreadGivesTheSamePictures() {
        PictureReading reading;
        const QIcon icon = reading.takeWindowIcon();
        const ViewPictures read = reading.takePictures();
        QCOMPARE(read.count(), int(ViewPictures::Ids.size()));
        for (int id : ViewPictures::Ids)
            QCOMPARE(read.picture(id), m_pictures.picture(id));
        QCOMPARE(icon.availableSizes(),
                 (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}}));
    }

    void unknownIdIsEmpty() {
        QVERIFY(m_pictures.picture(150).isNull());
        QCOMPARE(m_pictures.size(150), QSize(0, 0));
    }

    void iconHasEverySize() {
        const QIcon icon = ViewPictures::programIcon();
        QVERIFY(!icon.isNull());
        for (int s : {16, 32, 48, 256})
            QCOMPARE(icon.pixmap(s, s).size(), QSize(s, s));
    }

    // Staves are white on dark grey and nothing else: the view ANDs and
    // inverts them, and any blended edge would come out as a stray colour.
    void stavesHoldTwoColours_data() {
        QTest::addColumn<int>("id");
        for (int id : {147, 174, 171})
            QTest::addRow("%d", id) << id;
    }
    void stavesHoldTwoColours() {
        QFETCH(int, id);
        const QImage& image = m_pictures.picture(id);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = at(image, x, y);
                if (c != Ground && c != White)
                    QFAIL(qPrintable(QString("pixel %1,%2 is %3").arg(x).arg(y).arg(c, 6, 16)));
            }
    }

    void staffLinesAndEnds_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("left");
        for (int id : {174, 171})
            QTest::addRow("scale %d", id) << id << 0;
        QTest::addRow("upper staff") << 147 << 80;
    }
    void staffLinesAndEnds() {
        QFETCH(int, id);
        QFETCH(int, left);
        const QImage& image = m_pictures.picture(id);
        for (int row : LineRows)
            for (int x = left; x <= 913; ++x)
                QVERIFY2(at(image, x, row) == White, qPrintable(QString("%1,%2").arg(x).arg(row)));
        for (int x : {left, 913}) {
            for (int y = 29; y <= 129; ++y)
                QCOMPARE(at(image, x, y), White);
            QCOMPARE(at(image, x, 28), Ground);
            QCOMPARE(at(image, x, 130), Ground);
        }
    }

    void upperStaffHasNoNotes() {
        const QImage& image = m_pictures.picture(147);
        for (int y = 0; y < 163; ++y) {
            for (int x = 0; x < 80; ++x)
                QCOMPARE(at(image, x, y), Ground);
            // Right of the clefs only the lines and the end line are white.
            if (!isLineRow(y) || y < 29 || y > 129)
                for (int x = 120; x < 913; ++x)
                    QCOMPARE(at(image, x, y), Ground);
        }
        // The clefs stand just right of the left end line.
        QVERIFY(noteRows(image, 81, 119).size() > 40);
    }

    void clefsOfTheScales_data() {
        QTest::addColumn<int>("id");
        QTest::addRow("174") << 174;
        QTest::addRow("171") << 171;
    }
    void clefsOfTheScales() {
        QFETCH(int, id);
        const QList<int> rows = noteRows(m_pictures.picture(id), 4, 30);
        QVERIFY(!rows.isEmpty());
        // Treble clef from above the top line to below the bottom treble line,
        // bass clef within the bass staff.
        QVERIFY(rows.first() < 29 && rows.first() > 10);
        QVERIFY(rows.contains(80) && rows.contains(95) && rows.contains(115));
        QVERIFY(rows.last() < 129);
        for (int x = 1; x < 4; ++x)
            for (int y : {20, 64, 104})
                QCOMPARE(at(m_pictures.picture(id), x, y), Ground);
    }

    // Each cell holds one whole note, centred on its staff position.
    void noteCells_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("cell");
        for (int k = 0; k < 29; ++k)
            QTest::addRow("174 cell %d", k) << 174 << k;
        for (int k = 0; k < 49; ++k)
            QTest::addRow("171 cell %d", k) << 171 << k;
    }
    void noteCells() {
        QFETCH(int, id);
        QFETCH(int, cell);
        const QImage& image = m_pictures.picture(id);
        const bool chromatic = id == 171;
        const int width = chromatic ? 18 : 30;
        const int left = 31 + width * cell;
        const int p = chromatic ? chromaticPosition(cell) : cell;
        const int row = rowOfPosition(p);
        // The head: the right part of a chromatic cell (a sign may stand left
        // of it), the middle of a natural one.
        const int h0 = chromatic ? left + 8 : left + 8, h1 = chromatic ? left + 16 : left + 21;
        const QList<int> rows = noteRows(image, h0, h1);
        QVERIFY2(!rows.isEmpty(), "no head");
        QVERIFY2(rows.first() >= row - 5 && rows.first() <= row - 3,
                 qPrintable(QString("head top %1, line %2").arg(rows.first()).arg(row)));
        QVERIFY2(rows.last() >= row + 3 && rows.last() <= row + 5,
                 qPrintable(QString("head bottom %1, line %2").arg(rows.last()).arg(row)));
        // The whole note is hollow: its middle shows the ground or the staff line.
        const QRgb middle = at(image, (h0 + h1) / 2, row);
        QVERIFY(middle == Ground || isLineRow(row) || isLedgerRow(row));
    }

    // Ledger lines where the note needs them, and nowhere else.
    void ledgerLines_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("cells");
        QTest::addRow("174 top C") << 174 << 9 << QList<int>{28};
        QTest::addRow("174 A and up") << 174 << 19 << QList<int>{26, 27, 28};
        QTest::addRow("174 middle C") << 174 << 79 << QList<int>{14};
        QTest::addRow("174 E and down") << 174 << 139 << QList<int>{0, 1, 2};
        QTest::addRow("174 low C") << 174 << 149 << QList<int>{0};
        QTest::addRow("171 top C") << 171 << 9 << QList<int>{48};
        QTest::addRow("171 A and up") << 171 << 19 << QList<int>{45, 46, 47, 48};
        QTest::addRow("171 middle C") << 171 << 79 << QList<int>{24, 25};
        QTest::addRow("171 E and down") << 171 << 139 << QList<int>{0, 1, 2, 3, 4};
        QTest::addRow("171 low C") << 171 << 149 << QList<int>{0, 1};
    }
    void ledgerLines() {
        QFETCH(int, id);
        QFETCH(int, row);
        QFETCH(QList<int>, cells);
        const QImage& image = m_pictures.picture(id);
        const bool chromatic = id == 171;
        const int width = chromatic ? 18 : 30, count = chromatic ? 49 : 29;
        for (int k = 0; k < count; ++k) {
            const int left = 31 + width * k;
            // Beside the head, where only a ledger line can be white: both
            // sides in a natural cell, the right one in a chromatic cell
            // (its sign stands on the left).
            QList<int> probes = chromatic ? QList<int>{left + 17} : QList<int>{left + 4, left + 25};
            bool white = true, ground = true;
            for (int x : probes) {
                white = white && at(image, x, row) == White;
                ground = ground && at(image, x, row) == Ground;
            }
            if (cells.contains(k))
                QVERIFY2(white, qPrintable(QString("cell %1 lacks the ledger line").arg(k)));
            else
                QVERIFY2(ground, qPrintable(QString("cell %1 has a ledger line").arg(k)));
        }
    }

    void heads_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QRgb>("colour");
        QTest::addRow("white") << 176 << White;
        QTest::addRow("green") << 177 << QRgb(0x0efe02);
        QTest::addRow("red") << 178 << QRgb(0xff0101);
    }
    void heads() {
        QFETCH(int, id);
        QFETCH(QRgb, colour);
        const QImage& image = m_pictures.picture(id);
        int coloured = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 18; ++x) {
                const QRgb c = at(image, x, y);
                QVERIFY2(c == Ground || c == colour, qPrintable(QString::number(c, 16)));
                coloured += c == colour;
            }
        QVERIFY(coloured > 40);
        QCOMPARE(at(image, 9, 4), Ground); // hollow
        QCOMPARE(at(image, 0, 4), Ground); // one free column each side
        QCOMPARE(at(image, 17, 4), Ground);
        QCOMPARE(at(image, 3, 4), colour);
        QCOMPARE(at(image, 14, 4), colour);
    }

    void signs_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<bool>("flat");
        const QRgb colours[3] = {White, 0x00ff00, 0xff0000};
        for (int i = 0; i < 3; ++i) {
            QTest::addRow("flat %d", 129 + i) << 129 + i << colours[i] << true;
            QTest::addRow("sharp %d", 139 + i) << 139 + i << colours[i] << false;
        }
    }
    void signs() {
        QFETCH(int, id);
        QFETCH(QRgb, colour);
        QFETCH(bool, flat);
        const QImage& image = m_pictures.picture(id);
        QList<int> widths; // coloured pixels per row
        for (int y = 0; y < 30; ++y) {
            int n = 0;
            for (int x = 0; x < 10; ++x) {
                const QRgb c = at(image, x, y);
                QVERIFY2(c == Black || c == colour, qPrintable(QString::number(c, 16)));
                n += c == colour;
            }
            widths.append(n);
        }
        int top = 0, bottom = 29;
        while (widths[top] == 0)
            ++top;
        while (widths[bottom] == 0)
            --bottom;
        if (flat) {
            // The stem above, the bowl in rows 12 .. 21 and nothing below.
            QCOMPARE(bottom, 21);
            QVERIFY(widths[12] >= 3);
            QVERIFY(top < 6);
            for (int y = top; y < 11; ++y)
                QVERIFY2(widths[y] <= 2, qPrintable(QString("row %1").arg(y)));
            for (int y = 13; y <= 20; ++y)
                QVERIFY2(widths[y] >= 3, qPrintable(QString("row %1").arg(y)));
        } else {
            QVERIFY2(top + bottom == 30, qPrintable(QString("%1..%2").arg(top).arg(bottom)));
            QVERIFY(bottom - top >= 20);
        }
    }

    void logo() {
        const QImage& image = m_pictures.picture(143);
        for (QPoint corner : {QPoint(0, 0), QPoint(213, 0), QPoint(0, 68), QPoint(213, 68)})
            QCOMPARE(at(image, corner.x(), corner.y()), Ground);
        int beige = 0;
        for (int y = 0; y < 69; ++y)
            for (int x = 0; x < 214; ++x) {
                const QColor c = image.pixelColor(x, y);
                // Warm tones only: red over green over blue.
                QVERIFY(c.red() >= c.green() && c.green() >= c.blue());
                beige += c.red() > 180 && c.red() - c.blue() > 40;
            }
        QVERIFY(beige > 300);
    }
};

QTEST_MAIN(TestViewPictures)
#include "tst_viewpictures.moc"
