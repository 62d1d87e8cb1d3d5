// SPDX-License-Identifier: GPL-3.0-or-later
#include "cvelmora01dlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTimer>
#include <QTimerEvent>

#include "bestlistfile.h"
#include "caboutdlg.h"
#include "cmistakemap.h"
#include "historymodule.h"
#include "instruments.h"
#include "listeningsettings.h"
#include "msclock.h"
#include "picturereading.h"
#include "roundaward.h"
#include "template102.h"
#include "viewherald.h"
#include "viewpictures.h"
#include "viewwords.h"

using namespace template102;

namespace {
constexpr int RoundTimerMs = 10;
constexpr int FreeNoteTimerMs = 1000;
// A window that is shown but not painted (covered, minimised at once) still
// gets its sound this long after it was shown.
constexpr int FinishOpeningFallbackMs = 500;

// Controls that a running round disables ("enabled when idle").
constexpr int IdleOnlyControls[] = {
    IdNewTraining, IdNewName,   IdBestList, IdEnde,    IdOctavesGroup, IdAccidentalsGroup,
    IdHelp,        IdBlacken,   IdPractice, IdMidiConfig, IdOctave1,   IdOctave2,
    IdOctave3,     IdOctave4,   IdStartC,   IdStartSmallC, IdStartC1,  IdStartC2,
    IdWithout,     IdWith,      IdInstrument,
};
// Controls that only a running round enables.
constexpr int RoundOnlyControls[] = {IdCancelTraining, IdRepeatTone};
} // namespace

CVelmora01Dlg::CVelmora01Dlg(MidiPlatform& platform, MsClock& clock, QWidget* parent,
                             PictureReading* pictures)
    : QDialog(parent), m_playerNameDlg(this), m_bestListDlg(this), m_midiSettingsDlg(this),
      m_midi(platform),
      m_round(m_compass, m_midi, m_midi, clock, *this),
      m_history([this] { return m_playerNameDlg.m_playerName; }, [this] { return int(m_program); },
                [this] { return openHistoryFromModule(historyPath()); }),
      m_clock(clock), m_pictureReading(pictures) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    setWindowTitle(QString::fromUtf8(Caption));
}

CVelmora01Dlg::~CVelmora01Dlg() = default;

int CVelmora01Dlg::run() {
    initDialog();
    if (m_closeRequested) {
        // The output could not be opened: the window closes as soon as its
        // start-up is complete, and the teardown still saves the best list.
        done(Rejected);
        return Rejected;
    }
    const int result = exec();
    // Left by requestEnd, the modal loop returns without the dialog ending:
    // the teardown still runs, once.
    if (!m_tornDown)
        done(Rejected);
    return result;
}

void CVelmora01Dlg::requestEnd() {
    // Rejecting the window alone would wait behind any dialog open over it
    // (the help page at the first start, a round's message, the award), and
    // the teardown would save the list before that dialog's outcome. Leaving
    // every event loop lets the code behind each open dialog finish as if it
    // were cancelled; no loop starts after this, and run() tears down.
    QCoreApplication::exit(0);
}

void CVelmora01Dlg::commitData() {
    if (!m_tornDown)
        saveBestList();
}

void CVelmora01Dlg::initDialog() {
    // 1. The controls of the template, the instrument names in the combobox.
    buildControls(this, Controls);
    setTemplateSize(this, Width, Height);
    if (auto* combo = controlAs<QComboBox>(this, IdInstrument)) {
        for (const Instrument& instrument : Instruments)
            combo->addItem(QString::fromUtf8(instrument.name));
    }
    setMouseTracking(true);
    connectControls();

    // 2. The MIDI devices; without an output the window closes after start-up.
    m_midi.OpenDevices(
        Caption,
        [this](const std::string& text, const std::string& caption) {
            showMessage(nullptr, QString::fromStdString(text), QString::fromStdString(caption));
        },
        [this] { m_closeRequested = true; });

    // 3. The settings dialog switches the devices of this holder.
    m_midiSettingsDlg.setDevices(&m_midi);
    m_midiSettingsDlg.setListening(dynamic_cast<ListeningSettings*>(&m_midi.platform()));

    // 4.-5. The help entry of the window menu lives in the context menu; the icon.
    // The mistake map's entry goes below it, and F2 opens it too.
    m_mistakeMapAction = new QAction(QStringLiteral("Fehlerbild..."), this);
    m_mistakeMapAction->setShortcut(Qt::Key_F2);
    addAction(m_mistakeMapAction);
    connect(m_mistakeMapAction, &QAction::triggered, this, [this] { showMistakeMap(); });
    // Every size of the icon is handed to the X server before the window appears.
    m_hIcon = m_pictureReading ? m_pictureReading->takeWindowIcon()
                               : ViewPictures::iconOf(ViewPictures::readWindowIcons());
    setWindowIcon(m_hIcon);

    // 6. The instrument: program 0, first entry, no preview.
    m_program = 0;
    if (auto* combo = controlAs<QComboBox>(this, IdInstrument))
        combo->setCurrentIndex(0);

    // 7.-8. Round and option state, the pile places.
    m_round.resetForStartUp();
    m_round.setArchive(&m_history);
    m_blackenRange = true;

    // 9.-10.
    controlAs<QCheckBox>(this, IdBlacken)->setChecked(true);
    controlAs<QCheckBox>(this, IdPractice)->setChecked(false);
    setRoundControls(false);
    control(this, IdRepeatTone)->setEnabled(false);

    // 11. The view's rectangles, recorded once.
    m_viewCtl = control(this, IdView);
    m_viewCtl->setAttribute(Qt::WA_OpaquePaintEvent);
    m_viewCtl->setMouseTracking(true);
    m_viewCtl->installEventFilter(this);
    // The lower staff answers from the keyboard too. Tab reaches it, a click
    // does not give it the focus: a pupil with the mouse never sees its cue.
    m_viewCtl->setFocusPolicy(Qt::TabFocus);
    for (ViewHerald*& herald : m_heralds)
        herald = new ViewHerald(m_viewCtl);
    control(this, IdNewTraining)->installEventFilter(this);
    m_viewRect = m_viewCtl->geometry();
    m_viewInvalRect = m_viewCtl->geometry();
    m_viewClientRect = QRect(QPoint(0, 0), m_viewCtl->size());

    // 12. The pictures of the view come with its first paint (prepareView).

    // 13. Compass and layout start values.
    m_compass = Compass{};
    m_compass.setAccidentals(0);
    checkRadio(IdStartC1);
    checkRadio(IdOctave1);
    checkRadio(IdWithout);
    m_keyCue.reset(m_compass);

    // 14.-15. The best list, then the title with the player's name.
    loadBestList();
    updateTitle();

    // 16.-17. Off-screen images and the background: made with the view's
    // first paint, once the window is on the screen (prepareView).

    // 18. The one-second timer that silences a free-standing note.
    m_freeNoteTimer.start(FreeNoteTimerMs, Qt::PreciseTimer, this);
}

void CVelmora01Dlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !m_devicesFinished)
        QTimer::singleShot(FinishOpeningFallbackMs, this, &CVelmora01Dlg::finishOpeningDevices);
}

void CVelmora01Dlg::finishOpeningDevices() {
    if (m_devicesFinished || m_tornDown)
        return;
    m_devicesFinished = true;
    // The window is already up: if the output fails now, the pupil reads the
    // same message and the program ends the way a signal ends it, also past
    // a dialog that may have been opened meanwhile; the best list is saved.
    m_midi.finishOpening(
        Caption,
        [this](const std::string& text, const std::string& caption) {
            showMessage(nullptr, QString::fromStdString(text), QString::fromStdString(caption));
        },
        [this] {
            m_closeRequested = true;
            requestEnd();
        });
    if (!m_closeRequested)
        m_portWatcher.start();
}

void CVelmora01Dlg::connectControls() {
    auto button = [this](int id) { return controlAs<QAbstractButton>(this, id); };
    connect(button(IdNewTraining), &QAbstractButton::clicked, this,
            [this] { startTrainingFromButton(); });
    connect(button(IdCancelTraining), &QAbstractButton::clicked, this, [this] {
        m_round.cancelTraining();
        announce(ViewWords::roundCancelled(), ViewWords::roundCancelled());
    });
    connect(button(IdRepeatTone), &QAbstractButton::clicked, this, [this] { m_round.repeatTone(); });
    connect(button(IdReferenceC), &QAbstractButton::clicked, this, [this] { m_round.playReferenceC(); });
    connect(button(IdPractice), &QAbstractButton::clicked, this, [this] { m_round.togglePractice(); });
    connect(button(IdSilence), &QAbstractButton::clicked, this, [this] { m_midi.Silence(); });
    connect(button(IdHelp), &QAbstractButton::clicked, this, [this] { showHelp(); });
    connect(button(IdEnde), &QAbstractButton::clicked, this, &QDialog::accept);
    connect(button(IdBestList), &QAbstractButton::clicked, this, [this] { showBestList(); });
    connect(button(IdNewName), &QAbstractButton::clicked, this, [this] { askPlayerName(); });
    connect(button(IdMidiConfig), &QAbstractButton::clicked, this, [this] { showMidiSettings(); });
    for (int k = 0; k < 4; ++k) {
        connect(button(IdOctave1 + k), &QAbstractButton::clicked, this, [this, k] { onOctaves(k + 1); });
        connect(button(IdStartC + k), &QAbstractButton::clicked, this, [this, k] { onStartNote(k); });
    }
    connect(button(IdWithout), &QAbstractButton::clicked, this, [this] { onAccidentals(0); });
    connect(button(IdWith), &QAbstractButton::clicked, this, [this] { onAccidentals(1); });
    connect(button(IdBlacken), &QAbstractButton::clicked, this, [this] { toggleBlackenRange(); });
    connect(controlAs<QComboBox>(this, IdInstrument), &QComboBox::activated, this,
            [this](int index) { onInstrumentChosen(index); });
    // Every change of the list reaches the file at once: a crash or a power
    // cut later in the afternoon loses nothing that was already won.
    connect(&m_bestListDlg, &CHiscore::listChanged, this, [this] { saveBestList(); });
}

void CVelmora01Dlg::startTrainingFromButton() {
    const bool byMouse = m_newTrainingByMouse;
    m_newTrainingByMouse = false;
    m_round.startTraining();
    // Started from the keyboard (or a screen reader), the round is answered
    // from the keyboard: the lower staff takes the focus, and a screen reader
    // reads its description, which begins with the news, as it arrives there.
    m_viewNews = ViewWords::roundStarted();
    m_viewNewsIsVerdict = false;
    if (!byMouse && m_viewCtl && !m_viewCtl->hasFocus())
        m_viewCtl->setFocus(Qt::OtherFocusReason);
    else
        announce(ViewWords::roundStarted(), ViewWords::roundStarted());
}

void CVelmora01Dlg::done(int result) {
    if (!m_tornDown)
        teardown();
    QDialog::done(result);
}

void CVelmora01Dlg::teardown() {
    m_tornDown = true;
    m_freeNoteTimer.stop();
    m_portWatcher.stop(); // no device is opened anew on the way out
    m_midi.Silence();
    saveBestList();
    // The window going away ends the round's timer too.
    m_roundTimer.stop();
    // However the program ends (the window closed, Escape, a signal, the
    // session's end), a round that runs counts as cancelled, with the answers
    // it got; it is written now, before the program exits.
    m_round.keepRoundAtProgramEnd();
}

void CVelmora01Dlg::updateTitle() {
    setWindowTitle(
        QStringLiteral("QVB-Zaradariveda 1.1 - Es trainiert %1").arg(m_playerNameDlg.m_playerName));
}

void CVelmora01Dlg::loadBestList() {
    // A missing or incomplete file gives the default list, "Name..." and the help page.
    if (!::loadBestList(m_bestListPath, m_bestListDlg.m_bestList, m_playerNameDlg.m_playerName))
        showHelp();
}

void CVelmora01Dlg::saveBestList() {
    // Also while the program runs, whenever the list or the name changes.
    // A file that cannot be written is left as it was, without a message.
    ::saveBestList(m_bestListPath, m_bestListDlg.m_bestList, m_playerNameDlg.m_playerName);
}

QString CVelmora01Dlg::historyPath() const {
    return QFileInfo(m_bestListPath).dir().filePath(QStringLiteral("dataGehoer.sqlite"));
}

void CVelmora01Dlg::showBestList() { m_bestListDlg.showForCompass(m_compass.m_octaves); }

void CVelmora01Dlg::askPlayerName() {
    const QString before = m_playerNameDlg.m_playerName;
    m_playerNameDlg.exec();
    updateTitle(); // also after Escape, with the name unchanged
    if (m_playerNameDlg.m_playerName != before)
        saveBestList();
}

void CVelmora01Dlg::showMidiSettings() { m_midiSettingsDlg.exec(); }

void CVelmora01Dlg::showMistakeMap() {
    prepareView();
    CMistakeMap map(m_history, m_playerNameDlg.m_playerName, m_compass, m_painter.backImage(), this);
    map.exec();
}

void CVelmora01Dlg::showMessage(QWidget* owner, const QString& text, const QString& caption) {
    if (m_messageFn)
        m_messageFn(owner, text, caption);
    else
        showMessageBox(owner, text, caption);
}

void CVelmora01Dlg::showHelp() {
    CAboutDlg about(isVisible() ? this : nullptr);
    about.exec();
}

void CVelmora01Dlg::onSysCommand(int command) {
    if ((command & ~0xF) == AboutCommand)
        showHelp();
}

// ---- timers -------------------------------------------------------------

void CVelmora01Dlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_roundTimer.timerId())
        onTimer(TrainingRound::RoundTimer);
    else if (event->timerId() == m_freeNoteTimer.timerId())
        onTimer(TrainingRound::FreeNoteTimer);
    else
        QDialog::timerEvent(event);
}

void CVelmora01Dlg::onTimer(int id) { m_round.onTimer(id); }

void CVelmora01Dlg::startRoundTimer() { m_roundTimer.start(RoundTimerMs, Qt::PreciseTimer, this); }
void CVelmora01Dlg::stopRoundTimer() { m_roundTimer.stop(); }

void CVelmora01Dlg::focusNewTraining() {
    // The round's end is told once, as the tick ends it, before its message.
    if (m_round.m_roundOver && m_viewNews != ViewWords::roundEnded())
        announce(ViewWords::roundEnded(), ViewWords::roundEnded());
    if (QWidget* w = control(this, IdNewTraining))
        w->setFocus();
}

void CVelmora01Dlg::requestRepaint() {
    if (m_viewCtl)
        m_viewCtl->update();
}

void CVelmora01Dlg::setRoundControls(bool running) {
    for (int id : IdleOnlyControls)
        if (QWidget* w = control(this, id))
            w->setEnabled(!running);
    for (int id : RoundOnlyControls)
        if (QWidget* w = control(this, id))
            w->setEnabled(running);
    if (m_mistakeMapAction)
        m_mistakeMapAction->setEnabled(!running);
}

// ---- pointer ------------------------------------------------------------

bool CVelmora01Dlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_viewCtl) {
        // Whether "NEUES TRAINING" is clicked with the mouse or chosen otherwise.
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)
            m_newTrainingByMouse = true;
        else if (type == QEvent::KeyPress || type == QEvent::KeyRelease)
            m_newTrainingByMouse = false;
        return QDialog::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return onStaffKey(*static_cast<QKeyEvent*>(event)) || QDialog::eventFilter(watched, event);
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        requestRepaint(); // the cue shows only while the staff has the focus
        return QDialog::eventFilter(watched, event);
    case QEvent::Paint: {
        QPainter painter(m_viewCtl);
        paintView(painter);
        // The window is on the screen: now the devices may take their time.
        if (!m_devicesFinished)
            QMetaObject::invokeMethod(this, &CVelmora01Dlg::finishOpeningDevices,
                                      Qt::QueuedConnection);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        // The view passes the pointer on in the window's client coordinates,
        // as if the window itself had received it.
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint client = m_viewCtl->mapTo(this, me->position().toPoint());
        if (event->type() == QEvent::MouseMove)
            onPointerMove(client);
        else if (me->button() == Qt::LeftButton && event->type() == QEvent::MouseButtonPress)
            onLowerStaffClick(client);
        else if (me->button() == Qt::LeftButton)
            onButtonUp();
        return me->button() == Qt::LeftButton || event->type() == QEvent::MouseMove;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void CVelmora01Dlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        onLowerStaffClick(event->position().toPoint());
    QDialog::mousePressEvent(event);
}

void CVelmora01Dlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        onButtonUp();
    QDialog::mouseReleaseEvent(event);
}

void CVelmora01Dlg::mouseMoveEvent(QMouseEvent* event) {
    onPointerMove(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

void CVelmora01Dlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.setSeparatorsCollapsible(false);
    menu.addSeparator();
    QAction* about = menu.addAction(QString::fromUtf8(AboutMenuText));
    if (m_mistakeMapAction)
        menu.addAction(m_mistakeMapAction);
    if (menu.exec(event->globalPos()) == about)
        onSysCommand(AboutCommand);
}

void CVelmora01Dlg::onLowerStaffClick(QPoint clientPos) {
    m_round.onLowerStaffClick(clientPos.x() - m_viewRect.left(), clientPos.y() - m_viewRect.top());
}

void CVelmora01Dlg::onButtonUp() { m_round.onButtonUp(); }

bool CVelmora01Dlg::onStaffKey(const QKeyEvent& event) {
    const int key = event.key();
    const bool press = event.type() == QEvent::KeyPress;
    const bool shift = event.modifiers() & Qt::ShiftModifier;
    const bool ctrlOrAlt =
        event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (ctrlOrAlt)
        return false;
    auto cueMoved = [this] {
        m_viewNews.clear();
        m_viewNewsIsVerdict = false;
        announce(ViewWords::cue(m_keyCue, m_compass), QString());
        requestRepaint();
    };
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        if (press && m_keyCue.move(key == Qt::Key_Left ? -1 : 1, m_compass))
            cueMoved();
        return true;
    }
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
        if (press && !event.isAutoRepeat() && m_keyCue.chooseOctave(key - Qt::Key_0, m_compass))
            cueMoved();
        return true;
    }
    if (key == Qt::Key_R && !shift) {
        if (press && !event.isAutoRepeat())
            if (auto* repeat = controlAs<QAbstractButton>(this, IdRepeatTone); repeat->isEnabled())
                repeat->click();
        return true;
    }
    int cell = KeyCue::NoCell;
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
        cell = m_keyCue.m_cell;
    else if (key >= Qt::Key_A && key <= Qt::Key_Z)
        cell = m_keyCue.cellForLetter(char('a' + (key - Qt::Key_A)), shift, m_compass);
    if (cell == KeyCue::NoCell)
        return key >= Qt::Key_A && key <= Qt::Key_Z; // other letters are no answer, and do nothing
    if (event.isAutoRepeat())
        return true; // a held key answers once
    if (!press) {
        m_round.onButtonUp(); // as the mouse button's release
        return true;
    }
    // Judged exactly as a click on that cell; the cue goes where the answer went.
    m_keyCue.m_cell = cell;
    m_round.answerCell(cell, AnswerWay::Keyboard);
    requestRepaint();
    return true;
}

void CVelmora01Dlg::answerJudged(bool right) {
    // The points as they stand once this note has landed, as the pupil counts them.
    const QString verdict = ViewWords::verdict(right, m_round.pointsToCome());
    announce(verdict, verdict, true);
}

void CVelmora01Dlg::announce(const QString& spoken, const QString& news, bool verdict) {
    if (!news.isEmpty()) {
        m_viewNews = news;
        m_viewNewsIsVerdict = verdict;
    }
    if (m_announceFn)
        m_announceFn(spoken);
    else if (ViewHerald* herald = m_heralds[m_nextHerald]) {
        m_nextHerald = (m_nextHerald + 1) % m_heralds.size();
        herald->say(spoken);
    }
}

QObjectList CVelmora01Dlg::viewHeralds() const {
    QObjectList list;
    for (ViewHerald* herald : m_heralds)
        if (herald)
            list << herald;
    return list;
}

QString CVelmora01Dlg::viewDescription() const {
    return ViewWords::describe(m_viewNews, m_viewNewsIsVerdict, m_round, m_keyCue, m_compass);
}

void CVelmora01Dlg::onPointerMove(QPoint clientPos) {
    if (m_hover.onPointerMove(clientPos - m_viewRect.topLeft(), m_compass, m_round.m_clickCell))
        requestRepaint();
}

// ---- painting -----------------------------------------------------------

void CVelmora01Dlg::changeEvent(QEvent* event) {
    // A round that ended while the window was minimised is finished at the
    // first paint after it is restored.
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        requestRepaint();
    QDialog::changeEvent(event);
}

void CVelmora01Dlg::composeBackground() {
    if (m_viewPrepared)
        m_painter.composeBackground(m_compass, m_blackenRange);
    else
        prepareView(); // composes with the options as they are now
}

void CVelmora01Dlg::prepareView() {
    if (m_viewPrepared)
        return;
    m_viewPrepared = true;
    // The window is mapped without them: nothing on the screen needs them
    // before this paint, and the pictures' thread has had the time meanwhile.
    if (m_pictureReading)
        m_painter.initViewResources(m_pictureReading->takePictures());
    else
        m_painter.initViewResources();
    m_painter.createImages(m_viewClientRect.size());
    m_painter.composeBackground(m_compass, m_blackenRange);
}

void CVelmora01Dlg::paintView(QPainter& painter) {
    if (isMinimized())
        return; // the window manager shows the icon; the round waits for the restore
    prepareView();
    const int cue = m_viewCtl && m_viewCtl->hasFocus() ? m_keyCue.m_cell : -1;
    m_painter.paintView(painter, m_round, m_compass, m_hover.m_hoverCell, cue);
    if (auto* points = controlAs<QLabel>(this, IdPoints))
        points->setText(ViewPainter::pointsText(m_round.m_points));
    if (m_round.m_roundOver && !m_finishQueued) {
        // No modal message may open inside a paint: finish right after this
        // frame has reached the screen, once per ended round.
        m_finishQueued = true;
        QMetaObject::invokeMethod(this, &CVelmora01Dlg::finishRoundAfterPaint, Qt::QueuedConnection);
    }
}

void CVelmora01Dlg::finishRoundAfterPaint() {
    m_finishQueued = false;
    if (!m_round.m_roundOver)
        return;
    m_round.finishRound();
    awardRoundResult(this, m_bestListDlg, m_compass.m_octaves, m_round.m_points,
                     m_round.m_practice, m_playerNameDlg.m_playerName,
                     [this](QWidget* owner, const QString& text, const QString& caption) {
                         showMessage(owner, text, caption);
                     });
}

// ---- options ------------------------------------------------------------

void CVelmora01Dlg::checkRadio(int id) {
    if (auto* radio = controlAs<QRadioButton>(this, id))
        radio->setChecked(true);
}

void CVelmora01Dlg::onInstrumentChosen(int index) {
    m_midi.chooseInstrument(index, m_program);
    m_round.startFreeNote();
}

void CVelmora01Dlg::onOctaves(int octaves) {
    m_compass.m_octaves = static_cast<uint16_t>(octaves);
    if (m_compass.fitStartNote())
        checkRadio(IdStartC + m_compass.m_startOctave);
    compassChanged();
    optionChanged();
}

void CVelmora01Dlg::onStartNote(int startOctave) {
    m_compass.setStartOctave(static_cast<uint16_t>(startOctave));
    if (m_compass.fitOctaves())
        checkRadio(IdOctave1 + m_compass.m_octaves - 1);
    compassChanged();
    optionChanged();
}

void CVelmora01Dlg::onAccidentals(int accidentals) {
    m_compass.setAccidentals(static_cast<uint16_t>(accidentals));
    m_keyCue.reset(m_compass); // its cells are other notes now
    optionChanged();
}

void CVelmora01Dlg::toggleBlackenRange() {
    m_blackenRange = !m_blackenRange;
    controlAs<QCheckBox>(this, IdBlacken)->setChecked(m_blackenRange);
    optionChanged();
}

void CVelmora01Dlg::compassChanged() {
    // The cue's cell may mean another note now, or lie outside the compass.
    const int first = m_compass.firstCompassCell(), last = m_compass.lastCompassCell();
    if (m_keyCue.m_cell < first || m_keyCue.m_cell > last ||
        m_keyCue.m_cell >= m_compass.m_cellCount)
        m_keyCue.reset(m_compass);
}

void CVelmora01Dlg::optionChanged() {
    composeBackground();
    requestRepaint();
}
