// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QWidget>

#include "compass.h"

// The coloured lower staff in the mistake map; tells which note the pointer is on.
class MistakeStaffView : public QWidget {
    Q_OBJECT
public:
    explicit MistakeStaffView(const Compass& compass, QWidget* parent = nullptr);
    void setImage(const QImage& image);
    QSize sizeHint() const override { return m_image.size(); }

signals:
    void noteHovered(int midiNote); // -1: the pointer left the notes

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Compass m_compass;
    QImage m_image;
    int m_note = -1;
};
