// SPDX-License-Identifier: GPL-3.0-or-later
#include "mistakestaffview.h"

#include <QMouseEvent>
#include <QPainter>

#include "mistakemappainter.h"

MistakeStaffView::MistakeStaffView(const Compass& compass, QWidget* parent)
    : QWidget(parent), m_compass(compass) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MistakeStaffView::setImage(const QImage& image) {
    m_image = image;
    setFixedSize(m_image.size());
    update();
}

void MistakeStaffView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

void MistakeStaffView::mouseMoveEvent(QMouseEvent* event) {
    const int cell = MistakeMapPainter::cellAt(m_compass, event->position().toPoint());
    const int note = cell < 0 ? -1 : m_compass.cellToNote(cell);
    if (note != m_note) {
        m_note = note;
        emit noteHovered(note);
    }
}

void MistakeStaffView::leaveEvent(QEvent*) {
    if (m_note != -1) {
        m_note = -1;
        emit noteHovered(-1);
    }
}
