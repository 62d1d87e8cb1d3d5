// SPDX-License-Identifier: GPL-3.0-or-later
#include "chiscore.h"

#include <QFontInfo>

#include "template103.h"
#include "windows1252.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <cstring>

CHiscore::CHiscore(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromUtf8(template103::Caption));
}

void CHiscore::setVisible(bool visible) {
    // The eighty fields are made at the first opening, not while the program starts.
    if (visible)
        buildControlsOnce();
    QDialog::setVisible(visible);
}

void CHiscore::buildControlsOnce() {
    if (m_built)
        return;
    m_built = true;
    buildControls(this, template103::Controls);
    setTemplateSize(this, template103::Width, template103::Height);
    for (QGroupBox* box : findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        box->setAlignment(Qt::AlignHCenter);

    connect(controlAs<QPushButton>(this, template103::IdOk), &QPushButton::clicked, this,
            &QDialog::accept);
    for (int column = 1; column <= BestList::Columns; ++column) {
        connect(controlAs<QPushButton>(this, template103::clearId(column)), &QPushButton::clicked,
                this, [this, column] { clearColumn(column); });
    }
}

void CHiscore::setState(const HiscoreState& state) {
    m_bestList = state.bestList;
    m_showColumn = state.showColumn;
    m_highlightRank = state.highlightRank;
}

void CHiscore::takeBack(const HiscoreState& state) {
    setState(state);
    emit listChanged();
}

void CHiscore::showForCompass(int octaves) {
    m_showColumn = octaves;
    m_highlightRank = -1;
    exec();
}

QFont CHiscore::highlightFont() {
    QFont font(QStringLiteral("Arial"));
    font.setWeight(QFont::ExtraLight);
    font.setStyleHint(QFont::SansSerif);
    // Where Arial's stand-in has no light face the new entry would look like
    // every other one, in the dialog's own font: a light sans serif takes over.
    if (!isLightFace(QFontInfo(font).styleName()))
        font.setFamilies({QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    // The font is asked for by its line height, not its point size: take the
    // largest pixel size whose line is still 12 pixels high.
    int best = 11;
    for (int px = 8; px <= 14; ++px) {
        font.setPixelSize(px);
        if (QFontMetrics(font).height() <= 12)
            best = px;
    }
    font.setPixelSize(best);
    return font;
}

bool CHiscore::isLightFace(const QString& styleName) {
    return styleName.contains(QLatin1String("Light"), Qt::CaseInsensitive) ||
           styleName.contains(QLatin1String("Thin"), Qt::CaseInsensitive);
}

QLabel* CHiscore::nameLabel(int column, int index) const {
    return controlAs<QLabel>(this, template103::nameId(column, index));
}

QLabel* CHiscore::pointsLabel(int column, int index) const {
    return controlAs<QLabel>(this, template103::pointsId(column, index));
}

void CHiscore::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        initialise();
    controlAs<QPushButton>(this, template103::IdOk)->setFocus(Qt::OtherFocusReason);
}

void CHiscore::initialise() {
    const QFont highlight = highlightFont();
    for (int column = 1; column <= BestList::Columns; ++column) {
        const bool shown = column == m_showColumn;
        for (int index = 0; index < BestList::Places; ++index) {
            const bool lit = shown && index == m_highlightRank;
            for (QLabel* label : {nameLabel(column, index), pointsLabel(column, index)}) {
                label->setEnabled(shown);
                label->setFont(lit ? highlight : font());
            }
            showEntry(column, index);
        }
    }
}

void CHiscore::showEntry(int column, int index) {
    const BestEntry& entry = m_bestList.at(column, index);
    nameLabel(column, index)
        ->setText(fromWindows1252({entry.name, strnlen(entry.name, sizeof entry.name)}));

    // "%3d" fills three places; a value from an edited file that needs more
    // is shown in full, the field widening to the right to hold it.
    QLabel* points = pointsLabel(column, index);
    const QString text = QString::asprintf("%3d", static_cast<int>(entry.points));
    points->setText(text);
    const int templateWidth = dlu::x(14);
    const int needed = points->fontMetrics().horizontalAdvance(text) + 1;
    points->resize(qMax(templateWidth, needed), points->height());
    if (needed > templateWidth)
        points->raise();
}

void CHiscore::clearColumn(int column) {
    if (column < 1 || column > BestList::Columns)
        return;
    m_bestList.clearColumn(column);
    for (int index = 0; index < BestList::Places; ++index)
        showEntry(column, index);
    emit listChanged();
}
