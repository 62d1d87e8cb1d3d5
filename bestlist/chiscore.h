// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <cstdint>

#include "bestlist.h"

class QLabel;

// Everything a best-list dialog holds: what the round's end copies and takes back.
struct HiscoreState {
    BestList bestList;
    int32_t showColumn = 1;
    int32_t highlightRank = -1;
    bool operator==(const HiscoreState&) const = default;
};

// The best-list dialog: four columns of ten places. The column of the compass
// shows in normal colour, the others greyed; one place may stand in the
// highlight font. "Löschen" clears a column at once, in this object's list.
class CHiscore : public QDialog {
    Q_OBJECT
public:
    explicit CHiscore(QWidget* parent = nullptr);

    BestList m_bestList;
    int32_t m_showColumn = 1;     // 1..4, set by whoever opens the dialog
    int32_t m_highlightRank = -1; // 0..9 within m_showColumn, -1 for none

    HiscoreState state() const { return {m_bestList, m_showColumn, m_highlightRank}; }
    void setState(const HiscoreState& state);
    // Takes back the state of a copy whose list changed (a round's entry), and says so.
    void takeBack(const HiscoreState& state);

    // The "Bestenliste" button: the list of the compass, nothing highlighted.
    void showForCompass(int octaves);

    void clearColumn(int column);

    // Arial, extra light, a line of 12 pixels; a light sans serif where
    // Arial's stand-in has no light face.
    static QFont highlightFont();
    static bool isLightFace(const QString& styleName);

    void setVisible(bool visible) override;

signals:
    // The list in this object changed: a column was cleared or a copy taken back.
    void listChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControlsOnce();
    void initialise();
    void showEntry(int column, int index);
    QLabel* nameLabel(int column, int index) const;
    QLabel* pointsLabel(int column, int index) const;

    bool m_built = false;
};
