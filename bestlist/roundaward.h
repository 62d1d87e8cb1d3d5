// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <cstdint>

#include "messagebox.h"

class QWidget;
class CHiscore;

// The messages of a round's end, with their captions.
namespace awardtext {
QString practiceText(int octaves, int place);
QString practiceCaption();
QString enteredText();
QString enteredCaption();
QString noPlaceText(int points);
QString noPlaceCaption();
} // namespace awardtext

// The last step of a round that ended by itself: works on a copy of the
// best-list dialog's state. A real entry is congratulated, then the copy is
// shown as the best list and taken back however that dialog closes, and at
// every column cleared in it; each time the dialog object says its list
// changed. A result without a place gets its message; practice mode only says
// which place it would have been, and never changes the list.
void awardRoundResult(QWidget* owner, CHiscore& bestListDlg, uint16_t octaves, uint16_t points,
                      bool practice, const QString& playerName,
                      const MessageBoxFn& showMessage = showMessageBox);
