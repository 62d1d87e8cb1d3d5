// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QWidget>
#include <vector>

#include "compass.h"

// The coloured lower staff in the mistake map; tells which note the pointer
// is on, or, from the keyboard (Tab, then Left and Right), which of the asked
// notes has the focus. A frame marks that note only while the staff has the focus.
class MistakeStaffView : public QWidget {
    Q_OBJECT
public:
    explicit MistakeStaffView(const Compass& compass, QWidget* parent = nullptr);
    void setImage(const QImage& image);
    // The notes that were asked, low to high: Left and Right go over them.
    void setAskedNotes(std::vector<int> notes);
    int focusedNote() const; // -1: none asked
    QSize sizeHint() const override { return m_image.size(); }

signals:
    void noteHovered(int midiNote); // -1: the pointer left the notes

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    Compass m_compass;
    QImage m_image;
    int m_note = -1;
    std::vector<int> m_asked;
    size_t m_focused = 0; // index into m_asked
};
