// SPDX-License-Identifier: GPL-3.0-or-later
// Every push button, check box and radio button of the five windows chosen
// through the accessibility bus's action (Toggle or Press, as a screen reader
// does) leaves the game exactly as a mouse click on it does.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "buttonaccessible.h"
#include "cmistakemap.h"
#include "cvelmora01dlg.h"
#include "enginefakes.h"
#include "fakemidi.h"
#include "modalwatcher.h"
#include "template102.h"
#include "template166.h"

using namespace template102;

namespace {
enum class Window { Trainer, TrainerInRound, MidiSettings, BestList, PlayerName, MistakeMap };
enum class Way { Click, Action };

// One trainer window with its dialogs; `window` is the one the buttons are chosen in.
struct Rig {
    QTemporaryDir dir;
    FakeClock clock;
    FakeMidi midi{&clock};
    std::unique_ptr<CVelmora01Dlg> dlg;
    std::unique_ptr<CMistakeMap> map;
    QWidget* window = nullptr;

    explicit Rig(Window which) {
        midi.outputs = {"Out 0", "Out 1"};
        midi.inputs = {"In 0", "In 1"};
        QFile f(dir.filePath(QStringLiteral("dataGehoer.qvb")));
        QByteArray bytes = "TESTER\r\n";
        for (int c = 0; c < 4; ++c)
            for (int p = 0; p < 10; ++p)
                bytes += "N" + QByteArray::number(p) + "\r\n" +
                         QByteArray::number(10 - p).rightJustified(3) + "\r\n";
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        f.close();
        dlg = std::make_unique<CVelmora01Dlg>(midi, clock);
        dlg->setBestListPath(f.fileName());
        dlg->setMessageFn([](QWidget*, const QString&, const QString&) {});
        dlg->initDialog();
        dlg->show();
        window = dlg.get();
        switch (which) {
        case Window::Trainer:
            break;
        case Window::TrainerInRound:
            controlAs<QAbstractButton>(dlg.get(), IdNewTraining)->click();
            break;
        case Window::MidiSettings:
            window = &dlg->m_midiSettingsDlg;
            break;
        case Window::BestList:
            window = &dlg->m_bestListDlg;
            break;
        case Window::PlayerName:
            window = &dlg->m_playerNameDlg;
            break;
        case Window::MistakeMap:
            map = std::make_unique<CMistakeMap>(dlg->m_history, dlg->m_playerNameDlg.m_playerName,
                                                dlg->m_compass, dlg->m_painter.backImage(),
                                                dlg.get());
            window = map.get();
            break;
        }
        if (window != dlg.get())
            window->show();
        midi.clearSent();
    }
    QList<QAbstractButton*> buttons() const { return window->findChildren<QAbstractButton*>(); }

    // Everything the game keeps that a button may change.
    QStringList state(const QStringList& modals) const {
        QStringList s;
        for (QAbstractButton* b : buttons())
            s << QStringLiteral("%1:%2%3").arg(b->text()).arg(b->isChecked()).arg(b->isEnabled());
        const Compass& c = dlg->m_compass;
        s << QStringLiteral("compass %1 %2 %3")
                 .arg(c.m_startNote)
                 .arg(c.m_octaves)
                 .arg(c.m_accidentals);
        s << QStringLiteral("practice %1 blacken %2 running %3 points %4 slot %5")
                 .arg(dlg->m_round.m_practice)
                 .arg(dlg->m_blackenRange)
                 .arg(dlg->m_round.m_running)
                 .arg(dlg->m_round.m_points)
                 .arg(dlg->m_round.m_slotIndex);
        s << QStringLiteral("devices %1 %2 open %3")
                 .arg(dlg->m_midi.outDevice)
                 .arg(dlg->m_midi.inDevice)
                 .arg(midi.openInputDevice());
        QString sent = QStringLiteral("sent");
        for (uint32_t m : midi.messages())
            sent += QStringLiteral(" %1").arg(m, 6, 16, QLatin1Char('0'));
        s << sent;
        s << QStringLiteral("windows %1 %2 result %3")
                 .arg(dlg->isVisible())
                 .arg(window->isVisible())
                 .arg(qobject_cast<QDialog*>(window)->result());
        if (map)
            s << QStringLiteral("period %1").arg(int(map->period())) << map->confusionsText();
        s << QStringLiteral("name ") + dlg->m_playerNameDlg.m_playerName;
        QFile f(dir.filePath(QStringLiteral("dataGehoer.qvb")));
        if (f.open(QIODevice::ReadOnly))
            s << QString::fromLatin1(f.readAll().toHex());
        s << QStringLiteral("modals ") + modals.join(u',');
        return s;
    }

    // Chooses button `index` the given way and waits until what it started is over.
    QStringList choose(int index, Way way) {
        ModalWatcher modals;
        QAbstractButton* b = buttons().value(index);
        if (!b)
            return {QStringLiteral("no button %1").arg(index)};
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(b);
        if (way == Way::Click) {
            // Where the pointer is sent to: a radio button takes a click on its mark and text.
            const QPoint at = b->mapFromGlobal(iface->rect().center());
            QTest::mouseClick(b, Qt::LeftButton, {}, at);
        } else {
            QAccessibleActionInterface* actions = iface->actionInterface();
            const QStringList names = actions ? actions->actionNames() : QStringList();
            if (!names.isEmpty() && names.first() != QAccessibleActionInterface::setFocusAction())
                actions->doAction(names.first());
        }
        // Qt's Press comes as a short animation; a window it opens is closed by the watcher.
        QTest::qWait(0);
        for (int i = 0; i < 100 && (b->isDown() || QApplication::activeModalWidget()); ++i)
            QTest::qWait(20);
        // A device chosen in the settings counts once they are confirmed.
        if (window == &dlg->m_midiSettingsDlg && window->isVisible())
            controlAs<QAbstractButton>(window, template166::IdOk)->click();
        return state(modals.titles);
    }
};
} // namespace

Q_DECLARE_METATYPE(Window)

class TstControlActions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void actionDoesWhatAClickDoes_data();
    void actionDoesWhatAClickDoes();
    void actionsAreNamedAsQtNamesThem();
};

void TstControlActions::initTestCase() {
    ButtonAccessible::install();
}

void TstControlActions::actionDoesWhatAClickDoes_data() {
    QTest::addColumn<Window>("window");
    QTest::addColumn<int>("index");
    const std::pair<Window, const char*> windows[] = {
        {Window::Trainer, "trainer"},
        {Window::TrainerInRound, "trainer in a round"},
        {Window::MidiSettings, "MIDI-Einstellungen"},
        {Window::BestList, "Bestenliste"},
        {Window::PlayerName, "Neuer Name"},
        {Window::MistakeMap, "Fehlerbild"},
    };
    for (const auto& [window, name] : windows) {
        Rig rig(window);
        const auto buttons = rig.buttons();
        for (int i = 0; i < buttons.size(); ++i) {
            if (!buttons[i]->isEnabled() || !buttons[i]->isVisible())
                continue;
            QTest::addRow("%s: %d %s", name, i, qPrintable(buttons[i]->text().replace(u'\n', u' ')))
                << window << i;
        }
    }
}

void TstControlActions::actionDoesWhatAClickDoes() {
    QFETCH(Window, window);
    QFETCH(int, index);
    Rig clicked(window), chosen(window);
    const QStringList byClick = clicked.choose(index, Way::Click);
    const QStringList byAction = chosen.choose(index, Way::Action);
    QCOMPARE(byAction, byClick);
}

void TstControlActions::actionsAreNamedAsQtNamesThem() {
    Rig rig(Window::Trainer);
    struct Expect {
        int id;
        QAccessible::Role role;
        QString action;
        QString name;
    };
    const Expect expected[] = {
        {IdNewTraining, QAccessible::PushButton, QAccessibleActionInterface::pressAction(),
         QStringLiteral("NEUES TRAINING")},
        {IdPractice, QAccessible::CheckBox, QAccessibleActionInterface::toggleAction(),
         QStringLiteral("Nur üben")},
        {IdOctave4, QAccessible::RadioButton, QAccessibleActionInterface::toggleAction(),
         QStringLiteral("4")},
        {IdStartC2, QAccessible::RadioButton, QAccessibleActionInterface::toggleAction(),
         QStringLiteral("C''")},
    };
    for (const Expect& e : expected) {
        QAccessibleInterface* iface =
            QAccessible::queryAccessibleInterface(control(rig.dlg.get(), e.id));
        QVERIFY(iface);
        QCOMPARE(iface->role(), e.role);
        // A multi-line caption is read as it is wrapped.
        QCOMPARE(iface->text(QAccessible::Name).replace(u'\n', u' '), e.name);
        QCOMPARE(iface->actionInterface()->actionNames().value(0), e.action);
        QVERIFY(iface->state().checkable == (e.role != QAccessible::PushButton));
    }
    QVERIFY(
        QAccessible::queryAccessibleInterface(control(rig.dlg.get(), IdStartC1))->state().checked);
    QVERIFY(QAccessible::queryAccessibleInterface(control(rig.dlg.get(), IdNewTraining))
                ->state()
                .defaultButton);
}

QTEST_MAIN(TstControlActions)
#include "tst_controlactions.moc"
