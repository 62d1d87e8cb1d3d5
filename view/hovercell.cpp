// SPDX-License-Identifier: GPL-3.0-or-later
#include "hovercell.h"

#include "compass.h"

bool HoverCell::onPointerMove(QPoint viewPos, const Compass& compass, int32_t& clickCell) {
    const int cell = compass.cellAtPointer(viewPos.x(), viewPos.y());
    if (cell == Compass::NoCell)
        return false;
    clickCell = cell;
    if (cell == m_hoverCell)
        return false;
    m_hoverCell = cell;
    return true;
}
