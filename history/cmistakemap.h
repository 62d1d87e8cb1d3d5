// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QImage>
#include <QString>

#include "compass.h"
#include "mistakestats.h"

class QLabel;
class QRadioButton;
class MistakeStaffView;
class RoundHistory;

// The mistake map ("Fehlerbild"): the lower staff of the trainer view for the
// current compass with each note coloured by how often the player named it
// right at the first try, the notes most often taken for others, and one
// note's tally when the pointer is on it; for today, the last seven days or
// all the rounds kept.
class CMistakeMap : public QDialog {
    Q_OBJECT
public:
    enum class Period { Today, LastSevenDays, All };

    // `viewBack` is the trainer view's back image, which holds the lower
    // staff as the game draws it for `compass`.
    CMistakeMap(RoundHistory& history, const QString& player, const Compass& compass,
                const QImage& viewBack, QWidget* parent = nullptr);

    // The local day counted as today (the clock's day unless a test sets one).
    void setToday(int32_t julianDay);
    void choosePeriod(Period period);
    Period period() const { return m_period; }

    const MistakeStats& stats() const { return m_stats; }
    MistakeStaffView* staffView() const { return m_staff; }
    QString confusionsText() const;
    QString noteText() const;
    static QString captionFor(const QString& player);

private:
    void reload();
    void showNote(int midiNote);

    RoundHistory& m_history;
    QString m_player;
    Compass m_compass;
    QImage m_viewBack;
    int32_t m_today;
    Period m_period = Period::All;
    MistakeStats m_stats;
    MistakeStaffView* m_staff = nullptr;
    QLabel* m_noteLabel = nullptr;
    QLabel* m_confusionsLabel = nullptr;
    QRadioButton* m_periodButtons[3] = {};
};
