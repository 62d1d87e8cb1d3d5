// SPDX-License-Identifier: GPL-3.0-or-later
// What a round that ended by itself earns: the entry rule on the list, the
// messages with their captions, and the best list shown on a copy that is
// taken back however its dialog closes.
#include "award.h"
#include "chiscore.h"
#include "modaldriver.h"
#include "roundaward.h"
#include "template103.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {

struct Message {
    QString caption;
    QString text;
};

BestList defaults() {
    BestList list;
    list.setDefaults();
    return list;
}

QStringList namesOf(const BestList& list, int column) {
    QStringList names;
    for (int i = 0; i < BestList::Places; ++i)
        names << QString::fromLatin1(list.at(column, i).name) + ':' +
                     QString::number(list.at(column, i).points);
    return names;
}

const QString NoPlaceCaption = QStringLiteral("Der QVB-Zaradariveda meldet:");
const QString PracticeCaption = QStringLiteral("Der QVB-Zazezovidavi meldet:");

} // namespace

class TestRoundAward : public QObject {
    Q_OBJECT
private:
    QWidget m_owner;
    QList<Message> m_messages;
    MessageBoxFn recorder() {
        return [this](QWidget* owner, const QString& text, const QString& caption) {
            QCOMPARE(owner, &m_owner);
            m_messages.append({caption, text});
        };
    }

private slots:
    void init() { m_messages.clear(); }

    void entryRule_data() {
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<int>("points");
        QTest::addColumn<QStringList>("column"); // place 1 to 10 afterwards
        const QStringList d = namesOf(defaults(), 1);
        QTest::newRow("1 point: no entry") << false << 1 << d;
        QTest::newRow("2 points: place 10, below the equal 2")
            << false << 2 << d.mid(0, 9) + QStringList{"NEW:2"};
        QTest::newRow("10 points: place 2, below the equal 10")
            << false << 10 << QStringList{d[0], "NEW:10"} + d.mid(1, 8);
        QTest::newRow("11 points: place 1, place 10 falls off")
            << false << 11 << QStringList{"NEW:11"} + d.mid(0, 9);
        const QStringList nobody = QStringList(10, QStringLiteral("Nobody:0"));
        QTest::newRow("cleared, 0 points: no entry") << true << 0 << nobody;
        QTest::newRow("cleared, 1 point: place 1")
            << true << 1 << QStringList{"NEW:1"} + nobody.mid(0, 9);
    }
    void entryRule() {
        QFETCH(bool, cleared);
        QFETCH(int, points);
        QFETCH(QStringList, column);
        BestList list = defaults();
        if (cleared)
            list.clearColumn(2);
        const BestList before = list;
        const AwardOutcome outcome = decideAward(list, 2, uint16_t(points), false, "NEW");
        QCOMPARE(namesOf(list, 2), column);
        QCOMPARE(outcome.kind,
                 column == namesOf(before, 2) ? AwardOutcome::NoPlace : AwardOutcome::Entered);
        // The other columns never move.
        for (int c : {1, 3, 4})
            QCOMPARE(namesOf(list, c), namesOf(before, c));
    }

    void messagesWithoutTheList_data() {
        QTest::addColumn<int>("octaves");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("practice");
        QTest::addColumn<QString>("caption"); // empty: nothing shown
        QTest::addColumn<QString>("text");
        QTest::newRow("no place") << 1 << 1 << false << NoPlaceCaption
                                  << QStringLiteral(
                                         "Bravo, Du hast 1 Punkte errungen!\nLeider reicht es "
                                         "diesmal nicht für einen Eintrag in der "
                                         "Bestenliste.\nWeiterüben!!!");
        QTest::newRow("practice, would be place 3 of column 2")
            << 2 << 9 << true << PracticeCaption
            << QStringLiteral("Bravo, Du hättest im Bereich 2 Oktave(n) den 3.Platz in der "
                              "Bestenliste gewonnen!\nein Eintrag in der Bestenliste ist "
                              "jedoch im Übemodus nicht möglich.\nUm den  Übemodus zu "
                              "verlassen, entferne das Häkchen bei <Nur üben>!");
        QTest::newRow("practice, would be place 1 of column 4")
            << 4 << 500 << true << PracticeCaption
            << QStringLiteral("Bravo, Du hättest im Bereich 4 Oktave(n) den 1.Platz in der "
                              "Bestenliste gewonnen!\nein Eintrag in der Bestenliste ist "
                              "jedoch im Übemodus nicht möglich.\nUm den  Übemodus zu "
                              "verlassen, entferne das Häkchen bei <Nur üben>!");
        QTest::newRow("practice without a place") << 3 << 1 << true << QString() << QString();
    }
    void messagesWithoutTheList() {
        QFETCH(int, octaves);
        QFETCH(int, points);
        QFETCH(bool, practice);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        CHiscore bestList;
        bestList.setState({defaults(), 3, 5});
        const HiscoreState before = bestList.state();
        QSignalSpy changed(&bestList, &CHiscore::listChanged);
        ModalDriver driver([](QWidget* w) { w->close(); });
        awardRoundResult(&m_owner, bestList, uint16_t(octaves), uint16_t(points), practice,
                         QStringLiteral("PUPIL"), recorder());
        QCoreApplication::processEvents();
        QCOMPARE(driver.seen(), 0);
        QCOMPARE(bestList.state(), before); // list and display fields alike
        QCOMPARE(changed.count(), 0);       // nothing to save
        if (caption.isEmpty()) {
            QVERIFY(m_messages.isEmpty());
        } else {
            QCOMPARE(m_messages.size(), 1);
            QCOMPARE(m_messages[0].caption, caption);
            QCOMPARE(m_messages[0].text, text);
        }
    }

    void entryShowsTheCopyAndTakesItBack_data() {
        QTest::addColumn<QString>("closedBy");
        QTest::addColumn<QList<int>>("clearedColumns");
        QTest::newRow("OK") << QStringLiteral("ok") << QList<int>{};
        QTest::newRow("OK after clearing the entry's column and another")
            << QStringLiteral("ok") << QList<int>{1, 3};
        QTest::newRow("Escape after clearing") << QStringLiteral("escape") << QList<int>{1, 4};
        QTest::newRow("close box after clearing") << QStringLiteral("close") << QList<int>{2};
    }
    void entryShowsTheCopyAndTakesItBack() {
        QFETCH(QString, closedBy);
        QFETCH(QList<int>, clearedColumns);
        CHiscore bestList;
        bestList.setState({defaults(), 4, -1});
        // What the list holds each time it says it changed (when the program saves it).
        QList<BestList> saved;
        connect(&bestList, &CHiscore::listChanged, this,
                [&] { saved.append(bestList.m_bestList); });
        HiscoreState seen;
        bool wasCopy = false;
        ModalDriver driver([&](QWidget* w) {
            auto* dialog = qobject_cast<CHiscore*>(w);
            QVERIFY(dialog);
            wasCopy = dialog != &bestList && dialog->parentWidget() == &m_owner;
            seen = dialog->state();
            for (int c : clearedColumns)
                controlAs<QPushButton>(dialog, template103::clearId(c))->click();
            if (closedBy == "ok")
                controlAs<QPushButton>(dialog, template103::IdOk)->click();
            else if (closedBy == "escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                dialog->close();
        });
        awardRoundResult(&m_owner, bestList, 1, 7, false, QStringLiteral("JÖRG"), recorder());

        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].caption, QStringLiteral("Gratulation !"));
        QCOMPARE(m_messages[0].text,
                 QStringLiteral("Bravo, Du hast einen Eintrag in die Bestenliste gewonnen!"));
        QVERIFY(wasCopy);
        QCOMPARE(seen.showColumn, 1);
        QCOMPARE(seen.highlightRank, 4); // 7 points: below the default 7, place 5
        QCOMPARE(QByteArray(seen.bestList.at(1, 4).name), QByteArray("J\xd6RG"));
        QCOMPARE(bestList.m_bestList.at(1, 4).points, clearedColumns.contains(1) ? 0 : 7);

        // Once at every clearing, with the entry; once more as the dialog closes.
        BestList expected = seen.bestList;
        QCOMPARE(saved.size(), clearedColumns.size() + 1);
        for (qsizetype k = 0; k < clearedColumns.size(); ++k) {
            expected.clearColumn(clearedColumns[k]);
            QVERIFY(saved[k] == expected);
        }
        QVERIFY(saved.back() == expected);
        QCOMPARE(bestList.state(), (HiscoreState{expected, 1, 4}));
    }

    void messageBoxHasOneOkButtonAndNoIcon() {
        QMessageBox::Icon icon = QMessageBox::Warning;
        QString text, caption;
        QWidget* parent = nullptr;
        int buttons = 0;
        ModalDriver driver([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            icon = box->icon();
            text = box->text();
            caption = box->windowTitle();
            parent = box->parentWidget();
            buttons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
        });
        showMessageBox(&m_owner, QStringLiteral("zwei\nZeilen"), NoPlaceCaption);
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(text, QStringLiteral("zwei\nZeilen"));
        QCOMPARE(caption, NoPlaceCaption);
        QCOMPARE(parent, &m_owner);
        QCOMPARE(buttons, 1);
    }
};

QTEST_MAIN(TestRoundAward)
#include "tst_roundaward.moc"
