// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

#include "historystore.h"
#include "roundarchive.h"
#include "unkeptrounds.h"

// The program's side of the history: it names the player and the sound for
// each round, and hands every finished round to the store, which it opens
// only when first needed. A round the store cannot take stays in memory for
// the run, is offered again after the next round, and still counts.
class RoundHistory final : public RoundArchive {
public:
    using StoreFactory = std::function<std::unique_ptr<HistoryStore>()>;
    using NowFn = std::function<QDateTime()>;

    RoundHistory(std::function<QString()> player, std::function<int()> instrument,
                 StoreFactory openStore);
    ~RoundHistory() override;

    void describePlayer(RoundRecord& record) override;
    void keepRound(RoundRecord&& record) override;

    // The player's tallies from `firstDay` on (HistoryStore::AllDays: all).
    MistakeStats stats(const QString& player, int32_t firstDay);
    // The local calendar day of a moment, as the store counts days.
    static int32_t localDay(const QDateTime& moment);
    // The clock the rounds are stamped with (tests set their own).
    void setNow(NowFn now) { m_now = std::move(now); }
    QDateTime now() const { return m_now(); }

private:
    HistoryStore* store();

    std::function<QString()> m_player;
    std::function<int()> m_instrument;
    StoreFactory m_openStore;
    NowFn m_now = [] { return QDateTime::currentDateTime(); };
    std::unique_ptr<HistoryStore> m_store;
    bool m_storeTried = false;
    UnkeptRounds m_unkept;
};
