// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QBasicTimer>
#include <QDialog>
#include <QIcon>
#include <QRect>
#include <array>
#include <functional>

#include "chiscore.h"
#include "cmidisettings.h"
#include "compass.h"
#include "cplayername.h"
#include "hovercell.h"
#include "keycue.h"
#include "messagebox.h"
#include "mididevices.h"
#include "portwatcher.h"
#include "roundhistory.h"
#include "roundhost.h"
#include "trainerviewaccessible.h"
#include "traininground.h"
#include "viewpainter.h"

class MsClock;
class ViewHerald;
class QKeyEvent;
class MidiPlatform;
class PictureReading;

// The trainer window. It owns every piece of the game's state and wires the
// controls, timers, pointer and paint to them; the rules live in the engine.
class CVelmora01Dlg : public QDialog, private RoundHost, public ViewDescriber {
    Q_OBJECT
public:
    // Shows a message box: owner (nullptr: none), text, caption. Tests record instead.
    using MessageFn = MessageBoxFn;

    // With `pictures`, the icon and the view's pictures come from there (read
    // meanwhile on a thread of their own); without, the window reads them.
    CVelmora01Dlg(MidiPlatform& platform, MsClock& clock, QWidget* parent = nullptr,
                  PictureReading* pictures = nullptr);
    ~CVelmora01Dlg() override;

    // Start-up, then the modal loop; the teardown runs however the window ends.
    int run();
    // Ends the program from outside (a signal, the end of the session), also
    // while a dialog or message box is open over the window: every open one
    // is left as if cancelled, then the teardown saves the best list.
    void requestEnd();
    // The session is about to end (a logout, which may still be cancelled):
    // the best list is saved, and the game goes on. The end itself comes as
    // a signal, then requestEnd.
    void commitData();
    // The start-up alone (run() does it first); tests show the window themselves.
    void initDialog();
    void setMessageFn(MessageFn fn) { m_messageFn = std::move(fn); }
    // Tells a screen reader something at once; tests record the text instead.
    using AnnounceFn = std::function<void(const QString& text)>;
    void setAnnounceFn(AnnounceFn fn) { m_announceFn = std::move(fn); }
    void setBestListPath(const QString& path) { m_bestListPath = path; }
    bool closeRequested() const { return m_closeRequested; }

    void done(int result) override;

    // Handlers, public so that tests can drive them as the controls do.
    void onSysCommand(int command);
    void onTimer(int id);
    void onLowerStaffClick(QPoint clientPos);
    void onButtonUp();
    void onPointerMove(QPoint clientPos);
    void paintView(QPainter& painter);
    // A key pressed or released while the lower staff has the keyboard focus;
    // true when it was the staff's key.
    bool onStaffKey(const QKeyEvent& event);

    // ViewDescriber: the trainer view in words, for a screen reader.
    const QWidget* describedView() const override { return m_viewCtl; }
    QString viewDescription() const override;
    QObjectList viewHeralds() const override;
    // The part of the devices' start-up that waits until the window is on the
    // screen (the built-in synthesizer). Runs once, after the view's first
    // paint, or a moment after the window is shown if nothing is painted.
    void finishOpeningDevices();

    // Members in the order they are made; the destructor releases them in reverse.
    CPlayerName m_playerNameDlg;
    CHiscore m_bestListDlg;
    QWidget* m_viewCtl = nullptr;
    QRect m_viewRect;       // the view's outer rectangle in client coordinates
    QRect m_viewClientRect; // (0, 0, width, height)
    QRect m_viewInvalRect;  // the view's client area in client coordinates
    QIcon m_hIcon;
    CMidiSettings m_midiSettingsDlg;
    MidiDevices m_midi;
    PortWatcher m_portWatcher{m_midi}; // instruments that come and go
    Compass m_compass;
    TrainingRound m_round;
    uint8_t m_program = 0;
    bool m_blackenRange = true;
    HoverCell m_hover;
    KeyCue m_keyCue;       // the lower staff answered from the computer keyboard
    ViewPainter m_painter; // pictures, colours and off-screen images of the view
    RoundHistory m_history; // every round's answers, kept beside the best list

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // RoundHost
    void startRoundTimer() override;
    void stopRoundTimer() override;
    void focusNewTraining() override;
    void requestRepaint() override;
    void setRoundControls(bool running) override;
    void answerJudged(bool right) override;

    void connectControls();
    void startTrainingFromButton();
    void compassChanged();
    // Tells a screen reader what just happened, through the view's description.
    // `spoken` is told at once; `news` (empty: none) begins the view's description.
    void announce(const QString& spoken, const QString& news, bool verdict = false);
    void teardown();
    void finishRoundAfterPaint();
    void updateTitle();
    void showMessage(QWidget* owner, const QString& text, const QString& caption);
    void onInstrumentChosen(int index);
    void onOctaves(int octaves);
    void onStartNote(int startOctave);
    void onAccidentals(int accidentals);
    void toggleBlackenRange();
    void optionChanged();
    void composeBackground();
    // The view's pictures, off-screen images and background, made once, at
    // the view's first paint (or earlier, when something else needs them).
    void prepareView();
    void checkRadio(int id);
    void showHelp();
    void loadBestList();
    void saveBestList();
    void showBestList();
    void askPlayerName();
    void showMidiSettings();
    void showMistakeMap();
    QString historyPath() const; // beside the best list

    MsClock& m_clock;
    PictureReading* m_pictureReading = nullptr; // taken from once, at the first paint
    MessageFn m_messageFn;
    AnnounceFn m_announceFn;
    std::array<ViewHerald*, 16> m_heralds{}; // the view's messengers, taken in turn
    size_t m_nextHerald = 0;
    QString m_bestListPath = QStringLiteral("dataGehoer.qvb");
    QBasicTimer m_roundTimer;    // timer 0
    QBasicTimer m_freeNoteTimer; // timer 10
    bool m_closeRequested = false;
    bool m_tornDown = false;
    bool m_finishQueued = false;
    bool m_devicesFinished = false;
    bool m_viewPrepared = false;
    bool m_newTrainingByMouse = false;     // "NEUES TRAINING" was last pressed with the mouse
    QString m_viewNews;                    // what the view's description tells first
    bool m_viewNewsIsVerdict = false;      // ... and it is an answer's verdict
    QAction* m_mistakeMapAction = nullptr; // "Fehlerbild...", also F2
};
