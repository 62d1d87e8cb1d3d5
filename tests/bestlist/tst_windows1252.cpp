// SPDX-License-Identifier: GPL-3.0-or-later
// The code page of names in the best-list file.
#include <QtTest>

#include "windows1252.h"

class TestWindows1252 : public QObject {
    Q_OBJECT
private slots:
    void bytesReadAs_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("ASCII A") << 0x41 << 0x41;
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("free 81 stays a control") << 0x81 << 0x81;
        QTest::newRow("low double quote") << 0x84 << 0x201E;
        QTest::newRow("S caron") << 0x8A << 0x160;
        QTest::newRow("free 9D stays a control") << 0x9D << 0x9D;
        QTest::newRow("Y diaeresis") << 0x9F << 0x178;
        QTest::newRow("no-break space") << 0xA0 << 0xA0;
        QTest::newRow("A umlaut") << 0xC4 << 0xC4;
        QTest::newRow("sharp s") << 0xDF << 0xDF;
        QTest::newRow("y diaeresis") << 0xFF << 0xFF;
    }
    void bytesReadAs() {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        const char c = static_cast<char>(byte);
        const QString text = fromWindows1252(std::string_view(&c, 1));
        QCOMPARE(text.size(), 1);
        QCOMPARE(int(text.at(0).unicode()), unicode);
    }

    void everyByteComesBackAsItWas() {
        std::string all;
        for (int b = 0; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        const QString text = fromWindows1252(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(toWindows1252(text), all);
    }

    void exactlyTheCodePagesCharactersFit() {
        // 256 characters, one for each byte; nothing else, and '?' for the rest.
        int fitting = 0;
        for (int u = 0; u < 0x10000; ++u) {
            const QChar c{char16_t(u)};
            if (!fitsWindows1252(c))
                continue;
            ++fitting;
            const std::string byte = toWindows1252(QString(c));
            QCOMPARE(byte.size(), std::size_t(1));
            QCOMPARE(fromWindows1252(byte), QString(c));
        }
        QCOMPARE(fitting, 256);
        QVERIFY(!fitsWindows1252(QChar(0x100)));
        QVERIFY(!fitsWindows1252(QChar(0x3A9))); // Omega
        QVERIFY(!fitsWindows1252(QChar(0xD83C))); // half of a surrogate pair
        QCOMPARE(toWindows1252(QStringLiteral("aΩ€b")), std::string("a?\x80"
                                                                   "b"));
    }
};

QTEST_GUILESS_MAIN(TestWindows1252)
#include "tst_windows1252.moc"
