// SPDX-License-Identifier: GPL-3.0-or-later
#include "roundhistory.h"

RoundHistory::RoundHistory(std::function<QString()> player, std::function<int()> instrument,
                           StoreFactory openStore)
    : m_player(std::move(player)), m_instrument(std::move(instrument)),
      m_openStore(std::move(openStore)) {}

RoundHistory::~RoundHistory() = default;

void RoundHistory::describePlayer(RoundRecord& record) {
    record.player = m_player ? m_player().toStdString() : std::string();
    record.instrument = m_instrument ? m_instrument() : 0;
}

HistoryStore* RoundHistory::store() {
    // The module is looked for once a run; without it the game goes on as ever.
    if (!m_storeTried) {
        m_storeTried = true;
        if (m_openStore)
            m_store = m_openStore();
    }
    return m_store.get();
}

void RoundHistory::keepRound(RoundRecord&& record) {
    if (record.notes.empty())
        return; // nothing was judged
    const QDateTime at = m_now();
    // Said nowhere: a pupil who may not write the class's history plays on.
    m_unkept.add(std::move(record), at.toSecsSinceEpoch(), localDay(at));
    if (HistoryStore* s = store())
        m_unkept.offerTo(*s);
}

MistakeStats RoundHistory::stats(const QString& player, int32_t firstDay) {
    MistakeStats stats;
    if (HistoryStore* s = store())
        stats = s->stats(player.toStdString(), firstDay);
    m_unkept.addTo(stats, player.toStdString(), firstDay);
    return stats;
}

int32_t RoundHistory::localDay(const QDateTime& moment) {
    return static_cast<int32_t>(moment.toLocalTime().date().toJulianDay());
}
