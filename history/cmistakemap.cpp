// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmistakemap.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "historystore.h"
#include "mistakemappainter.h"
#include "mistakestaffview.h"
#include "mistaketexts.h"
#include "roundhistory.h"

CMistakeMap::CMistakeMap(RoundHistory& history, const QString& player, const Compass& compass,
                         const QImage& viewBack, QWidget* parent)
    : QDialog(parent), m_history(history), m_player(player), m_compass(compass),
      m_viewBack(viewBack), m_today(RoundHistory::localDay(history.now())) {
    setWindowTitle(captionFor(player));

    auto* layout = new QVBoxLayout(this);
    auto* periods = new QHBoxLayout;
    periods->addWidget(new QLabel(QStringLiteral("Zeitraum:"), this));
    auto* group = new QButtonGroup(this);
    const char* const names[3] = {"Heute", "Letzte 7 Tage", "Alles"};
    for (int i = 0; i < 3; ++i) {
        m_periodButtons[i] = new QRadioButton(QString::fromUtf8(names[i]), this);
        group->addButton(m_periodButtons[i], i);
        periods->addWidget(m_periodButtons[i]);
    }
    periods->addStretch();
    layout->addLayout(periods);

    m_staff = new MistakeStaffView(m_compass, this);
    layout->addWidget(m_staff);
    m_noteLabel = new QLabel(MistakeTexts::pointHint(), this);
    m_noteLabel->setWordWrap(true);
    layout->addWidget(m_noteLabel);
    m_confusionsLabel = new QLabel(this);
    layout->addWidget(m_confusionsLabel);
    layout->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(group, &QButtonGroup::idClicked, this,
            [this](int id) { choosePeriod(static_cast<Period>(id)); });
    connect(m_staff, &MistakeStaffView::noteHovered, this, [this](int note) { showNote(note); });

    m_periodButtons[int(Period::All)]->setChecked(true);
    reload();
}

QString CMistakeMap::captionFor(const QString& player) {
    return QStringLiteral("Fehlerbild von %1").arg(player);
}

void CMistakeMap::setToday(int32_t julianDay) {
    m_today = julianDay;
    reload();
}

void CMistakeMap::choosePeriod(Period period) {
    m_period = period;
    m_periodButtons[int(period)]->setChecked(true);
    reload();
}

void CMistakeMap::reload() {
    const int32_t firstDay = m_period == Period::Today           ? m_today
                             : m_period == Period::LastSevenDays ? m_today - 6
                                                                 : HistoryStore::AllDays;
    m_stats = m_history.stats(m_player, firstDay);
    m_staff->setImage(MistakeMapPainter::render(m_viewBack, m_compass, m_stats));
    std::vector<int> asked;
    for (int cell = 0; cell < m_compass.m_cellCount; ++cell) {
        const int note = m_compass.cellToNote(cell);
        if (note >= 0 && note < int(m_stats.notes.size()) && m_stats.notes[size_t(note)].asked > 0)
            asked.push_back(note);
    }
    m_confusionsLabel->setText(MistakeTexts::confusions(m_stats));
    m_noteLabel->setText(MistakeTexts::pointHint());
    m_staff->setAccessibleName(MistakeTexts::pointHint());
    m_staff->setAskedNotes(std::move(asked));
}

void CMistakeMap::showNote(int midiNote) {
    // The tally is also the staff's name on the accessibility bus: a screen
    // reader speaks it when it changes on the focused staff.
    const QString text = midiNote < 0 || midiNote >= int(m_stats.notes.size())
                             ? MistakeTexts::pointHint()
                             : MistakeTexts::note(midiNote, m_stats.notes[size_t(midiNote)]);
    m_noteLabel->setText(text);
    m_staff->setAccessibleName(text);
}

QString CMistakeMap::confusionsText() const {
    return m_confusionsLabel->text();
}

QString CMistakeMap::noteText() const {
    return m_noteLabel->text();
}
