// SPDX-License-Identifier: GPL-3.0-or-later
// The best-list and player-name dialogs, offscreen: what they show, what the
// name field takes, and how they close.
#include "chiscore.h"
#include "cplayername.h"
#include "modaldriver.h"
#include "template103.h"
#include "template104.h"

#include <QClipboard>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <QFontInfo>
#include <QPainter>

namespace {

BestList defaults() {
    BestList list;
    list.setDefaults();
    return list;
}

QLabel* label(const QWidget* dialog, int id) {
    return controlAs<QLabel>(dialog, id);
}

// Types text as key presses; letters beyond ASCII come as keys that carry their text.
void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestBestListDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The pictures live in a static library: their data is pulled in by hand.
        Q_INIT_RESOURCE(pictures);
    }

    void controlsStandWhereTheTemplatePutsThem_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("units");
        QTest::newRow("OK") << 1 << QRect(162, 217, 50, 14);
        QTest::newRow("name, column 1, place 1") << 1121 << QRect(24, 35, 52, 10);
        QTest::newRow("name, column 3, place 10") << 1150 << QRect(193, 179, 52, 10);
        QTest::newRow("points, column 2, place 4") << 1057 << QRect(166, 83, 14, 9);
        QTest::newRow("points, column 4, place 1") << 1074 << QRect(334, 35, 14, 12);
        QTest::newRow("points, column 4, place 10") << 1083 << QRect(334, 179, 14, 12);
        QTest::newRow("Löschen 1") << 1084 << QRect(20, 198, 80, 10);
        QTest::newRow("Löschen 2") << 1085 << QRect(106, 198, 80, 10);
        QTest::newRow("Löschen 4") << 1087 << QRect(275, 198, 80, 10);
    }
    void controlsAreMadeAtTheFirstOpening() {
        // Nothing of the two dialogs is built while the program starts.
        CHiscore list;
        CPlayerName name;
        QVERIFY(list.findChildren<QWidget*>().isEmpty());
        QVERIFY(name.findChildren<QWidget*>().isEmpty());
        list.show();
        name.show();
        QVERIFY(control(&list, template103::IdOk));
        QVERIFY(control(&name, template104::IdName));
        const auto made = list.findChildren<QWidget*>().size();
        list.hide();
        list.show(); // once only
        QCOMPARE(list.findChildren<QWidget*>().size(), made);
    }

    void controlsStandWhereTheTemplatePutsThem() {
        QFETCH(int, id);
        QFETCH(QRect, units);
        CHiscore dialog;
        dialog.setState({defaults(), 1, -1});
        dialog.show();
        QWidget* w = control(&dialog, id);
        QVERIFY(w);
        QCOMPARE(w->geometry(), dlu::rect(units.x(), units.y(), units.width(), units.height()));
        QCOMPARE(dialog.size(), QSize(dlu::x(363), dlu::y(235)));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Bestenliste"));
    }

    void compassColumnInNormalColourOthersGreyed_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("rank");
        QTest::newRow("Bestenliste, 3 octaves") << 3 << -1;
        QTest::newRow("round's end, place 4 of column 1") << 1 << 3;
        QTest::newRow("round's end, place 10 of column 4") << 4 << 9;
    }
    void compassColumnInNormalColourOthersGreyed() {
        QFETCH(int, column);
        QFETCH(int, rank);
        CHiscore dialog;
        // Shown before with other settings: every opening starts afresh.
        dialog.setState({defaults(), column == 1 ? 2 : 1, 0});
        dialog.show();
        dialog.hide();
        dialog.setState({defaults(), column, rank});
        dialog.show();
        const QFont highlight = CHiscore::highlightFont();
        int lit = 0;
        for (int c = 1; c <= 4; ++c)
            for (int i = 0; i < 10; ++i)
                for (int id : {template103::nameId(c, i), template103::pointsId(c, i)}) {
                    QCOMPARE(label(&dialog, id)->isEnabled(), c == column);
                    const bool isLit = label(&dialog, id)->font() == highlight;
                    QCOMPARE(isLit, c == column && i == rank);
                    lit += isLit;
                }
        QCOMPARE(lit, rank < 0 ? 0 : 2);
        QCOMPARE(dialog.focusWidget(), control(&dialog, template103::IdOk));
    }

    void highlightFontIsArialExtraLightWithALineOfTwelvePixels() {
        const QFont f = CHiscore::highlightFont();
        QCOMPARE(f.family(), QStringLiteral("Arial"));
        QCOMPARE(f.weight(), QFont::ExtraLight);
        // The largest size whose line is at most 12 pixels high: exactly 12
        // with Arial's metrics, one less with a face that has no such size.
        QVERIFY(QFontMetrics(f).height() <= 12);
        QFont larger = f;
        larger.setPixelSize(f.pixelSize() + 1);
        QVERIFY(QFontMetrics(larger).height() > 12);
        QVERIFY(!f.italic() && !f.underline() && !f.strikeOut());
    }

    void highlightIsSeenAtAGlance() {
        // The new entry's letters are drawn thinner than those of the others,
        // whatever face stands in for Arial on this machine.
        CHiscore dialog;
        dialog.setState({defaults(), 1, 3});
        dialog.show();
        const QFont plain = label(&dialog, template103::nameId(1, 4))->font();
        const QFont lit = label(&dialog, template103::nameId(1, 3))->font();
        QVERIFY(CHiscore::isLightFace(QFontInfo(lit).styleName()));
        const auto ink = [](const QFont& font) {
            QImage image(200, 20, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(image.rect(), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("MUELLER 123"));
            p.end();
            double sum = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    sum += 255 - qGray(image.pixel(x, y));
            return sum;
        };
        QVERIFY2(ink(lit) < 0.85 * ink(plain),
                 qPrintable(QString("ink %1 against %2").arg(ink(lit)).arg(ink(plain))));
    }

    void entriesAsText_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("nameText");
        QTest::addColumn<QString>("pointsText");
        QTest::newRow("7") << QByteArray("Tirn") << 7 << "Tirn"
                           << "  7";
        QTest::newRow("10") << QByteArray("Tirn") << 10 << "Tirn"
                            << " 10";
        QTest::newRow("123") << QByteArray("Tirn") << 123 << "Tirn"
                             << "123";
        QTest::newRow("-5") << QByteArray("Tirn") << -5 << "Tirn"
                            << " -5";
        QTest::newRow("beyond three places, in full") << QByteArray("Tirn") << -2147483647 << "Tirn"
                                                      << "-2147483647";
        QTest::newRow("Windows-1252 bytes")
            << QByteArray("\xc4rger\x80\x9f") << 0 << QStringLiteral("Ärger€Ÿ") << "  0";
    }
    void entriesAsText() {
        QFETCH(QByteArray, name);
        QFETCH(int, points);
        QFETCH(QString, nameText);
        QFETCH(QString, pointsText);
        CHiscore dialog;
        BestList list = defaults();
        list.at(2, 6).setName(name.constData());
        list.at(2, 6).points = points;
        dialog.setState({list, 2, -1});
        dialog.show();
        QCOMPARE(label(&dialog, template103::nameId(2, 6))->text(), nameText);
        QLabel* p = label(&dialog, template103::pointsId(2, 6));
        QCOMPARE(p->text(), pointsText);
        QVERIFY(p->width() >= p->fontMetrics().horizontalAdvance(pointsText));
    }

    void clearingActsAtOnceAndKeepsLookAndFont() {
        CHiscore dialog;
        dialog.setState({defaults(), 1, 2});
        dialog.show();
        controlAs<QPushButton>(&dialog, template103::clearId(3))->click(); // a greyed column
        controlAs<QPushButton>(&dialog, template103::clearId(1))->click(); // the highlighted one
        BestList expected = defaults();
        expected.clearColumn(1);
        expected.clearColumn(3);
        QCOMPARE(dialog.m_bestList, expected);
        for (int c : {1, 3})
            for (int i = 0; i < 10; ++i) {
                QCOMPARE(label(&dialog, template103::nameId(c, i))->text(),
                         QStringLiteral("Nobody"));
                QCOMPARE(label(&dialog, template103::pointsId(c, i))->text(),
                         QStringLiteral("  0"));
                QCOMPARE(label(&dialog, template103::nameId(c, i))->isEnabled(), c == 1);
            }
        QCOMPARE(label(&dialog, template103::nameId(1, 2))->font(), CHiscore::highlightFont());
        QCOMPARE(label(&dialog, template103::pointsId(2, 0))->text(), QStringLiteral(" 10"));
    }

    void bestenlisteShowsTheOwnListWithoutHighlight() {
        CHiscore dialog;
        dialog.setState({defaults(), 2, 5});
        HiscoreState seen;
        ModalDriver driver([&](QWidget* w) {
            QCOMPARE(w, &dialog);
            seen = dialog.state();
            controlAs<QPushButton>(&dialog, template103::clearId(4))->click();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        dialog.showForCompass(3);
        QCOMPARE(seen.showColumn, 3);
        QCOMPARE(seen.highlightRank, -1);
        BestList expected = defaults();
        expected.clearColumn(4);
        QCOMPARE(dialog.m_bestList, expected); // cleared in the main window's own list
    }

    // The player-name dialog.

    void nameFieldOpensWithTheNameSelected() {
        CPlayerName dialog;
        dialog.m_playerName = QStringLiteral("ANNA");
        dialog.show();
        auto* edit = controlAs<QLineEdit>(&dialog, template104::IdName);
        QCOMPARE(edit->text(), QStringLiteral("ANNA"));
        QCOMPARE(edit->selectedText(), QStringLiteral("ANNA"));
        QCOMPARE(dialog.focusWidget(), edit);
        QTest::keyClicks(edit, "otto");
        QCOMPARE(edit->text(), QStringLiteral("OTTO"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_playerName, QStringLiteral("OTTO"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("QVB-Zaradariveda 1.1"));
    }

    void nameFieldTakesOnlyWhatTheFileCanHold_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("field");
        QTest::newRow("small letters become capitals") << "mueller"
                                                       << "MUELLER";
        QTest::newRow("umlauts become capitals") << "jörg"
                                                 << "JÖRG";
        QTest::newRow("ß and µ have no single capital") << "straßeµ"
                                                        << "STRAßEµ";
        QTest::newRow("ÿ and š have one in Windows-1252") << "ÿš"
                                                          << "ŸŠ";
        QTest::newRow("digits and signs stay") << "r2-d2!"
                                               << "R2-D2!";
        QTest::newRow("an eleventh character cannot be typed") << "abcdefghijkl"
                                                               << "ABCDEFGHIJ";
        QTest::newRow("blanks are refused") << "a b c"
                                            << "ABC";
        QTest::newRow("characters outside Windows-1252 are refused") << "aΩ€bЖ"
                                                                     << "A€B";
    }
    void nameFieldTakesOnlyWhatTheFileCanHold() {
        QFETCH(QString, typed);
        QFETCH(QString, field);
        CPlayerName dialog;
        dialog.show();
        auto* edit = controlAs<QLineEdit>(&dialog, template104::IdName);
        typeText(edit, typed);
        QCOMPARE(edit->text(), field);
    }

    void pastedTextWithWhiteSpaceIsRefused_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("field");
        QTest::newRow("blank") << "x y"
                               << "AB";
        QTest::newRow("tab") << "x\ty"
                             << "AB";
        QTest::newRow("line end") << "xy\r\n"
                                  << "AB";
        QTest::newRow("vertical tab and form feed") << "x\v\fy"
                                                    << "AB";
        QTest::newRow("zero") << QString(QChar(0)) << "AB";
        QTest::newRow("no-break space is no separator") << QString(QChar(0xA0)) << "A\u00a0B";
        QTest::newRow("too long: what fits of it") << "cdefghijklmn"
                                                   << "ACDEFGHIJB";
    }
    void pastedTextWithWhiteSpaceIsRefused() {
        QFETCH(QString, pasted);
        QFETCH(QString, field);
        CPlayerName dialog;
        dialog.show();
        auto* edit = controlAs<QLineEdit>(&dialog, template104::IdName);
        QTest::keyClicks(edit, "ab");
        edit->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(pasted);
        edit->paste();
        QCOMPARE(edit->text(), field);
    }

    void emptyNameKeepsTheDialogOpen() {
        CPlayerName dialog;
        dialog.m_playerName = QStringLiteral("ALT");
        dialog.show();
        auto* edit = controlAs<QLineEdit>(&dialog, template104::IdName);
        QTest::keyClick(edit, Qt::Key_Delete); // the selected name goes
        QVERIFY(edit->text().isEmpty());
        controlAs<QPushButton>(&dialog, template104::IdOk)->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), edit);
        QCOMPARE(dialog.m_playerName, QStringLiteral("ALT"));
    }

    void escapeKeepsTheOldName() {
        CPlayerName dialog;
        dialog.m_playerName = QStringLiteral("ALT");
        dialog.show();
        QTest::keyClicks(controlAs<QLineEdit>(&dialog, template104::IdName), "neu");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.m_playerName, QStringLiteral("ALT"));
    }

    void longerNameFromTheFileIsShownThenRefused() {
        CPlayerName dialog;
        dialog.m_playerName = QStringLiteral("FRIEDRICHWILHELM"); // 16, as an edited file may hold
        dialog.show();
        auto* edit = controlAs<QLineEdit>(&dialog, template104::IdName);
        QCOMPARE(edit->text(), dialog.m_playerName);
        edit->end(false);
        QTest::keyClicks(edit, "x"); // it may shrink, never grow
        QCOMPARE(edit->text().size(), 16);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text().size(), 15);

        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        ModalDriver driver([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            text = box->text();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        controlAs<QPushButton>(&dialog, template104::IdOk)->click();
        QCOMPARE(text, QStringLiteral("Geben Sie höchstens 10 Zeichen ein."));
        QCOMPARE(icon, QMessageBox::Warning);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), edit);
        QCOMPARE(dialog.m_playerName, QStringLiteral("FRIEDRICHWILHELM"));

        // Shortened to ten, the limit closes in and OK takes it.
        edit->setSelection(10, 5);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, "x");
        QCOMPARE(edit->text(), QStringLiteral("FRIEDRICHW"));
        controlAs<QPushButton>(&dialog, template104::IdOk)->click();
        QCOMPARE(dialog.m_playerName, QStringLiteral("FRIEDRICHW"));
    }

    void logoOnlyWhenThePictureIsThere() {
        CPlayerName dialog;
        dialog.show(); // the dialog's controls are made at its first opening
        auto* logo = dialog.findChild<QLabel*>(QStringLiteral("logo"));
        QVERIFY(logo);
        QCOMPARE(logo->pos(), QPoint(dlu::x(20), dlu::y(49)));
        const bool there = QFile::exists(QString::fromLatin1(template104::LogoResource));
        QCOMPARE(!logo->pixmap().isNull(), there);
        if (there)
            QCOMPARE(logo->size(), QSize(214, 69));
    }
};

QTEST_MAIN(TestBestListDialogs)
#include "tst_bestlistdialogs.moc"
