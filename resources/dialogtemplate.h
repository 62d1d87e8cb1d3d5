// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPoint>
#include <QRect>
#include <span>

class QWidget;
class QFont;

// The dialogs are laid out from their templates' dialog units, converted with
// the base units of an 8-point dialog font at 96 dpi (6 x 13 px per 4 x 8 units).
namespace dlu {
inline int mulDiv(int a, int b, int c) { // rounds half away from zero, like the platform's MulDiv
    long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}
inline int x(int units) { return mulDiv(units, 6, 4); }
inline int y(int units) { return mulDiv(units, 13, 8); }
inline QRect rect(int ux, int uy, int uw, int uh) { return QRect(x(ux), y(uy), x(uw), y(uh)); }
} // namespace dlu

// One control of a dialog template.
struct ControlSpec {
    enum Kind {
        PushButton,        // multi-line buttons wrap their caption at blanks
        DefPushButton,     // the default button
        CheckBox,          // automatic check box
        CheckBoxLeftText,  // automatic check box, text left of the box
        RadioButton,       // automatic radio button; GroupStart opens a new exclusive group
        GroupBox,
        Static,            // left-aligned word-wrapping text
        StaticCentered,
        StaticBorder,      // text with a thin border
        StaticRect,        // a plain rectangle the dialog fills itself (the trainer view)
        Picture,           // a bitmap shown at its own size
        ComboDropDown,     // editable drop-down combo box
        Edit,              // edit field with border
    };
    enum Style : unsigned {
        None = 0,
        GroupStart = 1,
        Hidden = 2,
        MultiLine = 4,
        Disabled = 8,
        Uppercase = 16,
    };
    int id;           // -1 for a control without an id
    Kind kind;
    const char* text; // UTF-8
    int x, y, w, h;   // dialog units
    unsigned style = None;
};

// The dialog's font: the stand-in for the 8-point dialog font.
QFont dialogFont();

// Makes every control of a template as a child of `dialog`, each findable
// with control(dialog, id). Radio groups are exclusive from each GroupStart
// to the next. Pictures and rectangles are made empty; the dialog fills them.
void buildControls(QWidget* dialog, std::span<const ControlSpec> controls);

// The control with the given id, or nullptr.
QWidget* control(const QWidget* dialog, int id);
template <class T> T* controlAs(const QWidget* dialog, int id) {
    return qobject_cast<T*>(control(dialog, id));
}

// Sets the client size of a dialog from its template size in dialog units.
void setTemplateSize(QWidget* dialog, int unitsW, int unitsH);
