// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmidisettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "listeningsettings.h"
#include "mididevices.h"
#include "portnames.h"
#include "template166.h"

namespace {

const char* const NoOutputText =
    "Der QVB-Zaradariveda hat leider kein Gerät für die Tonausgabe gefunden";
const char* const NoOutputTitle = "Info";

// Made buttons are placed in pixels of the client area: one row of 20 px per
// device number, the first row at 35 px.
constexpr int RowTop = 35;
constexpr int RowHeight = 20;
constexpr int OutLeft = 220, OutRight = 420;
constexpr int InLeft = 420, InRight = 570;
constexpr int MaxNameLength = 31;
// The microphone's choices stand indented under its row; the meter shows the
// 60 dB below full scale, refreshed twenty times a second.
constexpr int ListeningIndent = 18;
constexpr unsigned ListeningRowCount = 3;
constexpr int MeterRangeDb = 60;
constexpr int MeterIntervalMs = 50;
const char* const HeadphonesText = "Kopfhörer";
const char* const AnyOctaveText = "Oktave egal";
const char* const MeterName = "Pegel des Mikrofons";

QRect rowRect(int left, int right, unsigned k) {
    return QRect(left, RowTop + RowHeight * int(k), right - left, RowHeight);
}

// The stand-in dialog font runs a little wider than the font these texts were
// set for, so a long text would lose its last line at the bottom of its box;
// such a text is set narrower until it fits.
void narrowUntilItFits(QLabel* label) {
    QFont font = label->font();
    for (int stretch = 95; stretch >= 80; stretch -= 5) {
        if (label->heightForWidth(label->width()) <= label->height())
            return;
        font.setStretch(stretch);
        label->setFont(font);
    }
}

} // namespace

CMidiSettings::CMidiSettings(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_outGroup(new QButtonGroup(this)), m_inGroup(new QButtonGroup(this)),
      m_levelTimer(new QTimer(this)), m_message(showMessageBox) {
    m_levelTimer->setInterval(MeterIntervalMs);
    connect(m_levelTimer, &QTimer::timeout, this, &CMidiSettings::showLevel);
    setWindowTitle(QString::fromUtf8(template166::Caption));
    // Each column is a radio group of its own: one device checked per column.
    m_outGroup->setExclusive(true);
    m_inGroup->setExclusive(true);
}

void CMidiSettings::buildControlsOnce() {
    // Made at the first opening, not while the program starts.
    if (m_built)
        return;
    m_built = true;
    buildControls(this, template166::Controls);
    setTemplateSize(this, template166::Width, template166::Height);
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->wordWrap())
            narrowUntilItFits(label);

    if (auto* ok = controlAs<QPushButton>(this, template166::IdOk))
        connect(ok, &QPushButton::clicked, this, &CMidiSettings::accept);
    if (auto* cancel = controlAs<QPushButton>(this, template166::IdCancel))
        connect(cancel, &QPushButton::clicked, this, &CMidiSettings::reject);
}

CMidiSettings::~CMidiSettings() = default;

void CMidiSettings::setVisible(bool visible) {
    // The device lists are read afresh each time the dialog opens, so a
    // keyboard plugged in meanwhile shows up; closing in any way drops them.
    if (visible && !isVisible()) {
        buildControlsOnce();
        fillColumns();
    }
    QDialog::setVisible(visible);
    if (!visible)
        destroyButtons();
}

void CMidiSettings::accept() {
    // Only a device other than the one in use is switched: reopening the same
    // device would cut off whatever it is playing for nothing. A device whose
    // link was lost is opened anew, the same or not.
    if (m_devices && isVisible()) {
        if (m_selOut >= 0)
            applyOutput();
        if (m_selIn >= 0)
            applyInput();
    }
    if (m_listening && isVisible()) {
        if (m_headphones)
            m_listening->setHeadphones(m_headphones->isChecked());
        if (m_anyOctave)
            m_listening->setAnyOctave(m_anyOctave->isChecked());
    }
    QDialog::accept();
}

namespace {
// The number the device `identity` has in the list as it is now, or -1.
template <class Count, class IdentityOf>
int numberNow(const std::string& identity, Count count, IdentityOf identityOf) {
    std::vector<std::string> list(count());
    for (unsigned k = 0; k < list.size(); ++k)
        list[k] = identityOf(k);
    return findIdentity(list, identity);
}
} // namespace

void CMidiSettings::applyOutput() {
    MidiPlatform& platform = m_devices->platform();
    const std::string chosen =
        unsigned(m_selOut) < m_outIdentities.size() ? m_outIdentities[m_selOut] : std::string();
    int device = m_selOut; // a device that cannot say who it is keeps its row
    if (!chosen.empty()) {
        if (chosen == m_devices->outIdentity && m_devices->outputWorks()) {
            m_devices->renumberOutput(platform.outCount()); // perhaps another number by now
            return;
        }
        device = numberNow(
            chosen, [&] { return platform.outCount(); },
            [&](unsigned k) { return platform.outIdentity(k); });
        if (device < 0)
            return; // gone while the dialog was open: nothing else is opened instead
    } else if (device == m_devices->outDevice && m_devices->outputWorks()) {
        return;
    }
    m_devices->reopenOutput(device);
}

void CMidiSettings::applyInput() {
    MidiPlatform& platform = m_devices->platform();
    const std::string chosen =
        unsigned(m_selIn) < m_inIdentities.size() ? m_inIdentities[m_selIn] : std::string();
    int device = m_selIn;
    if (!chosen.empty()) {
        if (chosen == m_devices->inIdentity && m_devices->inputWorks()) {
            m_devices->renumberInput(platform.inCount());
            return;
        }
        device = numberNow(
            chosen, [&] { return platform.inCount(); },
            [&](unsigned k) { return platform.inIdentity(k); });
        if (device < 0)
            return;
    } else if (device == m_devices->inDevice && m_devices->inputWorks()) {
        return;
    }
    m_devices->reopenInput(device);
}

void CMidiSettings::fillColumns() {
    destroyButtons();
    m_outCount = 0;
    m_inCount = 0;
    // The microphone is looked for only now, when the pupil may choose it:
    // a pupil who never opens the settings never loads its module.
    if (m_listening)
        m_listening->lookForMicrophone();
    if (m_devices) {
        fillOutputs();
        fillInputs();
    }
    if (QWidget* noInput = control(this, template166::IdNoInput))
        noInput->setVisible(m_inCount == 0);
    fitHeight();
}

void CMidiSettings::fillOutputs() {
    MidiPlatform& platform = m_devices->platform();
    // Output ids end where the input column's ids begin; devices beyond that
    // get no button, so a click in the input column is never taken for an output.
    const unsigned listed = platform.outCount();
    m_outCount = std::min(listed, MaxOutputs);
    // Instruments may have come and gone since the device was opened: its
    // number is the one it has in the list shown now.
    m_devices->renumberOutput(listed);
    m_selOut = m_devices->outDevice;
    if (m_outCount == 0) {
        if (m_message)
            m_message(this, QString::fromUtf8(NoOutputText), QString::fromUtf8(NoOutputTitle));
        return;
    }
    m_outButtons.resize(m_outCount);
    m_outIdentities.resize(m_outCount);
    for (unsigned k = 0; k < m_outCount; ++k) {
        m_outIdentities[k] = platform.outIdentity(k);
        std::string name;
        if (platform.outName(k, name))
            m_outButtons[k].reset(
                makeButton(OutIdBase + int(k), rowRect(OutLeft, OutRight, k), name, m_outGroup));
    }
    if (m_selOut >= 0 && unsigned(m_selOut) < m_outCount && m_outButtons[m_selOut])
        m_outButtons[m_selOut]->setChecked(true);
}

void CMidiSettings::fillInputs() {
    MidiPlatform& platform = m_devices->platform();
    m_inCount = platform.inCount();
    m_devices->renumberInput(m_inCount);
    m_selIn = m_devices->inDevice;
    if (m_inCount == 0)
        return;
    m_inButtons.resize(m_inCount);
    m_inIdentities.resize(m_inCount);
    for (unsigned k = 0; k < m_inCount; ++k) {
        m_inIdentities[k] = platform.inIdentity(k);
        std::string name;
        if (platform.inName(k, name))
            m_inButtons[k].reset(
                makeButton(InIdBase + int(k), rowRect(InLeft, InRight, k), name, m_inGroup));
    }
    const int microphone = m_listening ? m_listening->microphoneInput() : -1;
    // The microphone is marked only when it listens: choosing it is the
    // pupil's own step, never something OK does for want of another input.
    if (microphone >= 0 && m_selIn == microphone &&
        m_devices->inIdentity != m_inIdentities[unsigned(microphone)])
        m_selIn = -1;
    if (m_selIn >= 0 && unsigned(m_selIn) < m_inCount && m_inButtons[m_selIn])
        m_inButtons[m_selIn]->setChecked(true);
    if (microphone >= 0 && unsigned(microphone) < m_inCount && m_inButtons[microphone])
        addListeningRows(unsigned(microphone));
}

void CMidiSettings::addListeningRows(unsigned microphoneRow) {
    QFont font = this->font();
    if (QWidget* fontSource = control(this, template166::IdFontSource))
        font = fontSource->font();
    // Its name is longer than the column: its row reaches to the dialog's edge.
    QRadioButton* row = m_inButtons[microphoneRow].get();
    row->setGeometry(row->geometry().adjusted(0, 0, width() - InRight - RowHeight / 4, 0));
    const auto place = [&](unsigned below) {
        return rowRect(InLeft + ListeningIndent, InRight, microphoneRow + below);
    };
    const auto makeBox = [&](const char* text, unsigned below, bool checked) {
        auto box = std::make_unique<QCheckBox>(QString::fromUtf8(text), this);
        box->setGeometry(place(below));
        box->setFont(font);
        box->setChecked(checked);
        box->show();
        return box;
    };
    m_headphones = makeBox(HeadphonesText, 1, m_listening->headphones());
    m_anyOctave = makeBox(AnyOctaveText, 2, m_listening->anyOctave());
    m_levelBar = std::make_unique<QProgressBar>(this);
    m_levelBar->setGeometry(place(3).adjusted(2, 5, -8, -5));
    m_levelBar->setRange(0, MeterRangeDb);
    m_levelBar->setValue(0);
    m_levelBar->setTextVisible(false);
    m_levelBar->setAccessibleName(QString::fromUtf8(MeterName));
    m_levelBar->show();
    m_listeningRows = ListeningRowCount;
    // Above the other inputs' rows in the tab order: reached right after the microphone's.
    setTabOrder(m_inButtons[microphoneRow].get(), m_headphones.get());
    setTabOrder(m_headphones.get(), m_anyOctave.get());
    m_meter = m_listening->openMeter();
    if (m_meter)
        m_levelTimer->start();
}

void CMidiSettings::showLevel() {
    if (!m_meter || !m_levelBar)
        return;
    const double db = m_meter->levelDb();
    m_levelBar->setValue(std::clamp(int(db) + MeterRangeDb, 0, MeterRangeDb));
}

QRadioButton* CMidiSettings::makeButton(int id, const QRect& place, const std::string& name,
                                        QButtonGroup* group) {
    // A port name may hold an ampersand; doubled, it shows as itself instead
    // of underlining the next letter.
    QString caption = QString::fromUtf8(name).left(MaxNameLength);
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto* button = new QRadioButton(caption, this);
    button->setObjectName(QStringLiteral("ctl%1").arg(id));
    button->setProperty("controlId", id);
    button->setGeometry(place);
    // The input column is narrow for a long port name; the whole name stays readable.
    button->setToolTip(QString::fromUtf8(name).left(MaxNameLength));
    if (QWidget* fontSource = control(this, template166::IdFontSource))
        button->setFont(fontSource->font());
    group->addButton(button, id);
    connect(button, &QRadioButton::clicked, this, [this, id] { onCommand(id); });
    return button;
}

void CMidiSettings::onCommand(int id) {
    if (id >= OutIdBase && unsigned(id - OutIdBase) < m_outCount) {
        const unsigned k = unsigned(id - OutIdBase);
        m_selOut = int32_t(k);
        if (m_outButtons[k])
            m_outButtons[k]->setChecked(true);
    } else if (id >= InIdBase && unsigned(id - InIdBase) < m_inCount) {
        const unsigned k = unsigned(id - InIdBase);
        m_selIn = int32_t(k);
        if (m_inButtons[k])
            m_inButtons[k]->setChecked(true);
    }
}

void CMidiSettings::destroyButtons() {
    m_levelTimer->stop();
    m_meter.reset();
    m_levelBar.reset();
    m_headphones.reset();
    m_anyOctave.reset();
    m_listeningRows = 0;
    m_outButtons.clear();
    m_inButtons.clear();
    m_outIdentities.clear();
    m_inIdentities.clear();
}

void CMidiSettings::fitHeight() {
    // The template's height holds eleven rows; with more devices the dialog
    // grows so that the last row can still be reached.
    const unsigned rows = std::max(m_outCount, m_inCount + m_listeningRows);
    const int needed = RowTop + RowHeight * int(rows);
    setFixedSize(dlu::x(template166::Width), std::max(dlu::y(template166::Height), needed));
}
