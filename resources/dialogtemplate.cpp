// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogtemplate.h"

#include "applicationfontscope.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

namespace {

const char* const IdProperty = "controlId";

QString objectNameFor(int id) { return QStringLiteral("ctl%1").arg(id); }

// Breaks a caption at blanks so that each line fits the button, as a
// multi-line button of the platform does.
QString wrapAtBlanks(const QString& text, const QFontMetrics& fm, int width) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList lines;
    QString line;
    for (const QString& word : words) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
            lines << line;
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines.join(QLatin1Char('\n'));
}

// The stand-in dialog font runs a little wider than the one the templates
// were laid out for: a text that would overflow its box is set narrower
// (down to 80 %) so that nothing is cut off or runs into the next text.
void fitTextToBox(QLabel* label) {
    const QString text = label->text();
    const QRect box(0, 0, label->width(), 1 << 20);
    QFont font = label->font();
    for (int stretch = 100; stretch >= 80; stretch -= 4) {
        font.setStretch(stretch);
        const QFontMetrics fm(font);
        if (fm.boundingRect(box, Qt::TextWordWrap, text).height() <= label->height()) {
            if (stretch != 100)
                label->setFont(font);
            return;
        }
    }
    label->setFont(font);
}

QWidget* makeControl(const ControlSpec& item, QWidget* dialog, QButtonGroup*& group) {
    const QString text = QString::fromUtf8(item.text ? item.text : "");
    const QRect r = dlu::rect(item.x, item.y, item.w, item.h);
    switch (item.kind) {
    case ControlSpec::PushButton:
    case ControlSpec::DefPushButton: {
        auto* b = new QPushButton(dialog);
        b->setGeometry(r);
        b->setText((item.style & ControlSpec::MultiLine)
                       ? wrapAtBlanks(text, QFontMetrics(b->font()), r.width() - 6)
                       : text);
        b->setAutoDefault(false);
        b->setDefault(item.kind == ControlSpec::DefPushButton);
        return b;
    }
    case ControlSpec::CheckBox:
    case ControlSpec::CheckBoxLeftText: {
        auto* c = new QCheckBox(text, dialog);
        if (item.kind == ControlSpec::CheckBoxLeftText)
            c->setLayoutDirection(Qt::RightToLeft);
        c->setGeometry(r);
        return c;
    }
    case ControlSpec::RadioButton: {
        auto* rb = new QRadioButton(text, dialog);
        rb->setGeometry(r);
        if (!group || (item.style & ControlSpec::GroupStart)) {
            group = new QButtonGroup(dialog);
            group->setExclusive(true);
        }
        group->addButton(rb, item.id);
        return rb;
    }
    case ControlSpec::GroupBox: {
        auto* g = new QGroupBox(text, dialog);
        g->setGeometry(r);
        return g;
    }
    case ControlSpec::Static:
    case ControlSpec::StaticCentered:
    case ControlSpec::StaticBorder: {
        auto* l = new QLabel(text, dialog);
        l->setGeometry(r);
        l->setWordWrap(true);
        l->setAlignment(item.kind == ControlSpec::StaticCentered ? Qt::AlignHCenter | Qt::AlignTop
                                                                 : Qt::AlignLeft | Qt::AlignTop);
        if (item.kind == ControlSpec::StaticBorder) {
            l->setFrameShape(QFrame::Box);
            l->setLineWidth(1);
            l->setWordWrap(false);
        } else {
            fitTextToBox(l);
        }
        return l;
    }
    case ControlSpec::Picture: {
        auto* l = new QLabel(dialog);
        l->move(r.topLeft());
        l->resize(r.size());
        return l;
    }
    case ControlSpec::StaticRect: {
        auto* w = new QWidget(dialog);
        w->setGeometry(r);
        return w;
    }
    case ControlSpec::ComboDropDown: {
        auto* c = new QComboBox(dialog);
        {
            const ApplicationFontScope lineEditFont(dialog->font());
            c->setEditable(true);
        }
        c->setInsertPolicy(QComboBox::NoInsert);
        const int editHeight = c->sizeHint().height();
        c->setGeometry(r.x(), r.y(), r.width(), editHeight);
        const int rowHeight = qMax(1, c->fontMetrics().height() + 2);
        c->setMaxVisibleItems(qMax(1, (r.height() - editHeight) / rowHeight));
        c->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        return c;
    }
    case ControlSpec::Edit: {
        const ApplicationFontScope lineEditFont(dialog->font());
        auto* e = new QLineEdit(dialog);
        e->setGeometry(r);
        return e;
    }
    }
    return nullptr;
}

} // namespace

QFont dialogFont() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    return f;
}

void buildControls(QWidget* dialog, std::span<const ControlSpec> controls) {
    dialog->setFont(dialogFont());
    QButtonGroup* group = nullptr;
    for (const ControlSpec& item : controls) {
        QWidget* w = makeControl(item, dialog, group);
        if (!w)
            continue;
        if (item.id >= 0) {
            w->setObjectName(objectNameFor(item.id));
            w->setProperty(IdProperty, item.id);
        }
        if (item.style & ControlSpec::Hidden)
            w->hide();
        if (item.style & ControlSpec::Disabled)
            w->setEnabled(false);
    }
}

QWidget* control(const QWidget* dialog, int id) {
    return dialog->findChild<QWidget*>(objectNameFor(id), Qt::FindDirectChildrenOnly);
}

void setTemplateSize(QWidget* dialog, int unitsW, int unitsH) {
    dialog->setFixedSize(dlu::x(unitsW), dlu::y(unitsH));
}
