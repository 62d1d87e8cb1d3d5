// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "messagebox.h"

class LevelMeter;
class ListeningSettings;
class MidiDevices;
class QButtonGroup;
class QCheckBox;
class QProgressBar;
class QRadioButton;
class QTimer;

// The MIDI settings dialog: one radio button per output and per input device
// the system lists at the moment it opens; OK switches the device holder to
// the chosen devices. Made once by the main window and reused for every opening.
class CMidiSettings : public QDialog {
    Q_OBJECT
public:
    // Shows a message box with the given owner, text and title (OK only, no icon).
    using MessageFn = MessageBoxFn;

    // Ids of the made buttons: output k is OutIdBase + k, input k is InIdBase + k.
    static constexpr int OutIdBase = 20001;
    static constexpr int InIdBase = 20100;
    // Output ids must stay below the input column's first id.
    static constexpr unsigned MaxOutputs = InIdBase - OutIdBase;

    explicit CMidiSettings(QWidget* parent = nullptr);
    ~CMidiSettings() override;

    // The holder whose devices the dialog lists and switches; set once after it opened them.
    void setDevices(MidiDevices* devices) { m_devices = devices; }
    // The microphone among the inputs, with its choices beside its row; set once.
    void setListening(ListeningSettings* listening) { m_listening = listening; }
    // Replaces the message box shown when there is no output device (tests).
    void setMessageFn(MessageFn fn) { m_message = std::move(fn); }

    void setVisible(bool visible) override;

public slots:
    void accept() override;

private:
    void buildControlsOnce();
    void fillColumns();
    void fillOutputs();
    void fillInputs();
    QRadioButton* makeButton(int id, const QRect& place, const std::string& name,
                             QButtonGroup* group);
    void onCommand(int id);
    // Switches to the device chosen in a row, found by who it is in the list
    // of this moment: instruments may have come and gone while the dialog was open.
    void applyOutput();
    void applyInput();
    // "Kopfhörer", "Oktave egal" and the level meter in the rows under the microphone's.
    void addListeningRows(unsigned microphoneRow);
    void showLevel();
    void destroyButtons();
    void fitHeight();

    std::vector<std::unique_ptr<QRadioButton>> m_outButtons; // nullptr where a name is unreadable
    std::vector<std::unique_ptr<QRadioButton>> m_inButtons;
    std::vector<std::string> m_outIdentities; // who each row's device is
    std::vector<std::string> m_inIdentities;
    std::unique_ptr<QCheckBox> m_headphones;
    std::unique_ptr<QCheckBox> m_anyOctave;
    std::unique_ptr<QProgressBar> m_levelBar;
    std::unique_ptr<LevelMeter> m_meter;
    unsigned m_listeningRows = 0;
    MidiDevices* m_devices = nullptr;
    ListeningSettings* m_listening = nullptr;
    int32_t m_selOut = -1;
    int32_t m_selIn = -1;
    uint32_t m_outCount = 0;
    bool m_built = false;
    uint32_t m_inCount = 0;

    QButtonGroup* m_outGroup;
    QButtonGroup* m_inGroup;
    QTimer* m_levelTimer;
    MessageFn m_message;
};
