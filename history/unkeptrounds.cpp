// SPDX-License-Identifier: GPL-3.0-or-later
#include "unkeptrounds.h"

#include <algorithm>
#include <map>
#include <utility>

#include "historystore.h"

void UnkeptRounds::add(RoundRecord&& round, int64_t playedAtSecs, int32_t localDay) {
    // The round took room for a whole round's answers when it began.
    round.notes.shrink_to_fit();
    round.answers.shrink_to_fit();
    m_rounds.push_back({std::move(round), playedAtSecs, localDay});
    if (m_rounds.size() > MaxRounds)
        m_rounds.pop_front();
}

void UnkeptRounds::offerTo(HistoryStore& store) {
    while (!m_rounds.empty()) {
        const Unkept& first = m_rounds.front();
        if (!store.keepRound(first.round, first.playedAtSecs, first.localDay))
            return;
        m_rounds.pop_front();
    }
}

void UnkeptRounds::addTo(MistakeStats& stats, const std::string& player, int32_t firstDay) const {
    std::map<std::pair<int, int>, uint32_t> mixUps;
    bool any = false;
    for (const Unkept& u : m_rounds) {
        const RoundRecord& r = u.round;
        if (r.practice || r.player != player || u.localDay < firstDay)
            continue;
        any = true;
        stats.rounds += 1;
        for (const AskedNote& n : r.notes) {
            // Counted as the store counts them for its day sums.
            const bool right = n.msToRight != AskedNote::NeverRight;
            NoteTally& t = stats.notes[n.note & 0x7f];
            t.asked += 1;
            t.firstRight += n.firstRight ? 1 : 0;
            t.right += right ? 1 : 0;
            t.msSum += right ? uint64_t(n.msToRight) : 0;
            for (const RecordedAnswer& a : r.answersOf(n))
                if (a.note != n.note)
                    mixUps[{n.note, a.note}] += 1;
        }
    }
    if (!any)
        return;
    for (Confusion& c : stats.confusions) {
        const auto it = mixUps.find({c.asked, c.answered});
        if (it != mixUps.end()) {
            c.times += it->second;
            mixUps.erase(it);
        }
    }
    for (const auto& [pair, times] : mixUps)
        if (pair.first < 128 && pair.second < 128)
            stats.confusions.push_back({uint8_t(pair.first), uint8_t(pair.second), times});
    // Most frequent first, as the store orders them.
    std::stable_sort(stats.confusions.begin(), stats.confusions.end(),
                     [](const Confusion& a, const Confusion& b) {
                         if (a.times != b.times)
                             return a.times > b.times;
                         if (a.asked != b.asked)
                             return a.asked < b.asked;
                         return a.answered < b.answered;
                     });
}
