// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPoint>
#include <cstdint>

class Compass;

// The lower-staff cell under the pointer, which the view highlights.
class HoverCell {
public:
    // Nothing is highlighted until the pointer first enters the lower staff's band.
    int32_t m_hoverCell = -1;

    // A pointer move, `viewPos` relative to the view. Outside the band nothing
    // changes (the highlight stays on the last cell). Inside it, `clickCell`
    // becomes the cell under the pointer, and so does m_hoverCell; true when
    // m_hoverCell changed and the view must be repainted.
    bool onPointerMove(QPoint viewPos, const Compass& compass, int32_t& clickCell);
};
