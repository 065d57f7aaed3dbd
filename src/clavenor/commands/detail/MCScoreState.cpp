#include "clavenor/commands/detail/MCScoreState.h"

#include "clavenor/caches/MCStaffCache.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECMeterEnv.h"
#include "clavenor/elements/ECTempoEnv.h"

namespace clavenor {

MCScoreState::MCScoreState() = default;

MCScoreState::~MCScoreState() { Forget(); }

void MCScoreState::Keep(ECConductorStaff* conductorStaff,
                        std::vector<std::unique_ptr<MCStaffCache>>& fresh) {
    const bool keep = m_kept.empty();
    // Room first: from here on nothing may fail.
    if (keep) {
        m_kept.reserve(fresh.size());
    }
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        ECStaff* staff = conductorStaff->GetStaff(static_cast<int>(i) + 1, 0);
        std::unique_ptr<MCStaffCache> replaced = staff->ExchangeCache(std::move(fresh[i]));
        if (keep) {
            staff->Ref();
            m_kept.push_back(Kept{staff, std::move(replaced)});
        }
    }
}

void MCScoreState::SetAside(ECConductorStaff* conductorStaff) {
    Forget();
    const int staves = conductorStaff->GetMaxStaffNumber();
    std::vector<std::unique_ptr<MCStaffCache>> empty;
    empty.reserve(static_cast<std::size_t>(staves));
    for (int i = 0; i < staves; ++i) {
        empty.push_back(std::make_unique<MCStaffCache>());
    }
    Keep(conductorStaff, empty);
}

void MCScoreState::Rebuild(ECConductorStaff* conductorStaff) {
    const int staves = conductorStaff->GetMaxStaffNumber();
    std::vector<std::unique_ptr<MCStaffCache>> built;
    built.reserve(static_cast<std::size_t>(staves));
    for (int i = 1; i <= staves; ++i) {
        built.push_back(conductorStaff->GetStaff(i, 0)->BuildCache());
    }
    Keep(conductorStaff, built);
}

void MCScoreState::Restore() {
    for (Kept& kept : m_kept) {
        kept.cache = kept.staff->ExchangeCache(std::move(kept.cache));
    }
    Forget();
}

void MCScoreState::Forget() {
    for (Kept& kept : m_kept) {
        kept.staff->Unref(1);
    }
    m_kept.clear();
}

void MCScoreState::Replay(MCEditJournal& journal, bool forward, ECConductorStaff* conductorStaff) {
    Forget();
    auto run = [&journal](bool makeAgain) {
        if (makeAgain) {
            journal.MakeAgain();
        } else {
            journal.TakeBack();
        }
    };
    run(forward);
    if (!journal.CanChangeStaffCaches()) {
        RefreshMaps(conductorStaff);
        return;
    }
    try {
        Rebuild(conductorStaff);
    } catch (...) {
        run(!forward);
        RefreshMaps(conductorStaff);
        throw;
    }
    RefreshMaps(conductorStaff);
}

void MCScoreState::Revert(MCEditJournal& journal, bool forward, ECConductorStaff* conductorStaff) {
    Restore();
    if (forward) {
        journal.TakeBack();
    } else {
        journal.MakeAgain();
    }
    RefreshMaps(conductorStaff);
}

void MCScoreState::RefreshMaps(ECConductorStaff* conductorStaff) {
    if (conductorStaff == nullptr) {
        return;
    }
    if (conductorStaff->m_pMeterEnv != nullptr) {
        conductorStaff->m_pMeterEnv->RecalculateBPTTimes();
    }
    if (conductorStaff->m_pTempoEnv != nullptr) {
        conductorStaff->m_pTempoEnv->RecalculateClockTimes();
    }
}

} // namespace clavenor
