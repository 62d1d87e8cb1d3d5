// SPDX-License-Identifier: GPL-3.0-or-later
#include "mistakestaffview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "mistakemappainter.h"

MistakeStaffView::MistakeStaffView(const Compass& compass, QWidget* parent)
    : QWidget(parent), m_compass(compass) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
}

void MistakeStaffView::setAskedNotes(std::vector<int> notes) {
    m_asked = std::move(notes);
    m_focused = 0;
    if (hasFocus())
        emit noteHovered(focusedNote());
    update();
}

int MistakeStaffView::focusedNote() const {
    return m_asked.empty() ? -1 : m_asked[m_focused];
}

void MistakeStaffView::setImage(const QImage& image) {
    m_image = image;
    setFixedSize(m_image.size());
    update();
}

void MistakeStaffView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_image);
    if (!hasFocus() || m_asked.empty())
        return;
    int cell = 0;
    while (cell < m_compass.m_cellCount && m_compass.cellToNote(cell) != focusedNote())
        ++cell;
    const QRect r = MistakeMapPainter::cellRect(m_compass, cell);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::NoBrush);
    const QColor cue(255, 255, 0); // the trainer view's keyboard cue
    p.fillRect(r.left(), r.top(), r.width(), 2, cue);
    p.fillRect(r.left(), r.bottom() - 1, r.width(), 2, cue);
    p.fillRect(r.left(), r.top(), 2, r.height(), cue);
    p.fillRect(r.right() - 1, r.top(), 2, r.height(), cue);
}

void MistakeStaffView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() != Qt::Key_Left && event->key() != Qt::Key_Right) || m_asked.empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Left && m_focused > 0)
        --m_focused;
    else if (event->key() == Qt::Key_Right && m_focused + 1 < m_asked.size())
        ++m_focused;
    emit noteHovered(focusedNote());
    update();
}

void MistakeStaffView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    emit noteHovered(focusedNote());
    update();
}

void MistakeStaffView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
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
