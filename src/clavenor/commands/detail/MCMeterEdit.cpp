#include "clavenor/commands/detail/MCMeterEdit.h"

#include "clavenor/commands/CCAdjustMeasureChildren.h"
#include "clavenor/commands/CCBase.h"
#include "clavenor/commands/detail/ACJournalDeltaTime.h"
#include "clavenor/commands/detail/MCMarkEdit.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorMeasure.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECMeter.h"
#include "clavenor/elements/ECMeterEnv.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

namespace {

// The map's own lookups build an index that lack of memory leaves unbuilt, and then answer
// nothing; a command must not mistake that for a map without meters, so it walks the list.

// The last meter at or before `time` (strictly before unless `orAt`), or null.
ECMeter* MeterBefore(ECMeterEnv* meters, const MCTime& time, bool orAt) {
    ECMeter* found = nullptr;
    for (ECBase* point : *meters->GetChildren()) {
        const MCTime& at = *point->GetTime();
        if (at > time || (!orAt && at == time)) {
            break;
        }
        found = static_cast<ECMeter*>(point);
    }
    return found;
}

// The meter after `meter` in the map, or null.
ECMeter* MeterAfter(ECMeterEnv* meters, ECMeter* meter) {
    MCEventList* points = meters->GetChildren();
    POSITION pos = points->Find(meter);
    if (pos == nullptr) {
        return nullptr;
    }
    points->GetNext(pos);
    return pos != nullptr ? static_cast<ECMeter*>(points->GetAt(pos)) : nullptr;
}

// Where the span that `meter` governs ends: at the next meter, or at the end of the measures.
MCTime ScopeEnd(ECConductorStaff* staff, ECMeter* meter) {
    ECMeter* next = MeterAfter(staff->GetMeterEnv(), meter);
    return next != nullptr ? *next->GetTime() : staff->GetMaxMeasureEndTime();
}

} // namespace

MCMeterEdit::MCMeterEdit() = default;

MCMeterEdit::~MCMeterEdit() {
    // The journal lets go of removed material first: the records may hold its last
    // references.
    m_journal.Clear();
    m_state.Forget();
    if (m_pOwner != nullptr) {
        m_pOwner->Unref(1);
    }
}

CCMeterInfo* MCMeterEdit::GetInfo(int index) const {
    return index >= 0 && index < 3 ? m_info[static_cast<std::size_t>(index)].get() : nullptr;
}

bool MCMeterEdit::SetSubject(ECBase* element, int flag) {
    auto* meter = dynamic_cast<ECMeter*>(element);
    if (m_info[0] != nullptr || meter == nullptr || m_pOther != nullptr) {
        return false;
    }
    m_info[0] = std::make_unique<CCMeterInfo>(meter);
    m_info[0]->SetFlag(flag);
    return true;
}

void MCMeterEdit::TakeBackOf(CCBase* owner, MCMeterEdit* other) {
    owner->Ref();
    m_pOwner = owner;
    m_pOther = other;
}

int MCMeterEdit::Prepare(ECConductor* conductor, bool adding) {
    if (m_pOther != nullptr) {
        m_pConductorStaff = m_pOther->m_pConductorStaff;
        return m_pOther->IsInEffect() ? 1 : 0;
    }
    if (!m_journal.IsEmpty() && !m_journal.IsInEffect()) {
        return m_pConductorStaff != nullptr ? 1 : 0;
    }
    m_info[1].reset();
    m_info[2].reset();
    m_pConductorStaff = conductor->GetConductorStaff();
    ECMeterEnv* meters = m_pConductorStaff != nullptr ? m_pConductorStaff->GetMeterEnv() : nullptr;
    if (meters == nullptr) {
        return 0;
    }
    if (m_info[0] == nullptr) {
        return 1;
    }
    ECMeter* meter = m_info[0]->GetMeter();
    const MCTime& time = m_info[0]->GetTime();
    if (adding) {
        ECMeter* before = MeterBefore(meters, time, true);
        if (before == nullptr || before == meter) {
            return 1;
        }
        m_info[1] = std::make_unique<CCMeterInfo>(before);
        if (ECMeter* after = MeterAfter(meters, before)) {
            m_info[2] = std::make_unique<CCMeterInfo>(after);
            // The following meter would repeat the new one.
            m_info[2]->SetFlag(*after == *meter ? 1 : 0);
        }
        // A new meter at the time of the one in force replaces it.
        m_info[1]->SetFlag(*before->GetTime() == time ? 1 : 0);
        return 1;
    }
    ECMeter* before = MeterBefore(meters, time, false);
    // The first meter of the piece stays: the measures need one.
    if (meter->GetParents()->Find(meters) == nullptr || before == nullptr) {
        return 0;
    }
    m_info[1] = std::make_unique<CCMeterInfo>(before);
    if (ECMeter* after = MeterAfter(meters, meter)) {
        m_info[2] = std::make_unique<CCMeterInfo>(after);
        // With the removed meter gone, the following one would repeat the one before.
        m_info[2]->SetFlag(*after == *before ? 1 : 0);
    }
    return 1;
}

void MCMeterEdit::Process(ECConductor* conductor, bool adding) {
    if (m_pOther != nullptr) {
        m_state.Replay(m_pOther->m_journal, false, m_pConductorStaff);
    } else if (!m_journal.IsEmpty() && !m_journal.IsInEffect()) {
        m_state.Replay(m_journal, true, m_pConductorStaff);
    } else if (m_info[0] != nullptr) {
        m_state.Record(m_journal, m_pConductorStaff, [this, conductor, adding] {
            if (adding) {
                DoAdd(conductor);
            } else {
                DoRemove(conductor);
            }
        });
    }
}

void MCMeterEdit::Revert() {
    if (m_pOther != nullptr) {
        m_state.Revert(m_pOther->m_journal, false, m_pConductorStaff);
    } else {
        m_state.Revert(m_journal, true, m_pConductorStaff);
    }
}

void MCMeterEdit::DoAdd(ECConductor* conductor) {
    ECMeterEnv* meters = m_pConductorStaff->GetMeterEnv();
    ECMeter* meter = m_info[0]->GetMeter();
    CCMeterInfo* before = m_info[1].get();
    const bool rebar = before != nullptr && !(*meter == *before->GetMeter());
    MCTime end = MCTime::TimeNull();
    if (rebar) {
        end =
            Rebar(conductor, m_info[0]->GetTime(), ScopeEnd(m_pConductorStaff, before->GetMeter()),
                  before->GetMeter()->GetMeasureLength(), meter->GetMeasureLength());
    }
    if (before != nullptr && before->GetFlag() != 0) {
        MCMarkEdit::Withdraw(m_journal, before->GetMeter());
    }
    if (m_info[2] != nullptr && m_info[2]->GetFlag() != 0) {
        MCMarkEdit::Withdraw(m_journal, m_info[2]->GetMeter());
    }
    if (!m_journal.Link(meters, meter) && meter->GetParents()->Find(meters) == nullptr) {
        throw std::bad_alloc();
    }
    if (rebar) {
        Refile(conductor, m_info[0]->GetTime(), end,
               meter->GetMeasureLength() > before->GetMeter()->GetMeasureLength());
    }
}

void MCMeterEdit::DoRemove(ECConductor* conductor) {
    ECMeter* meter = m_info[0]->GetMeter();
    ECMeter* before = m_info[1]->GetMeter();
    const bool rebar = !(*meter == *before);
    MCTime end = ScopeEnd(m_pConductorStaff, meter);
    if (rebar) {
        end = Rebar(conductor, m_info[0]->GetTime(), end, meter->GetMeasureLength(),
                    before->GetMeasureLength());
    }
    MCMarkEdit::Withdraw(m_journal, meter);
    if (m_info[2] != nullptr && m_info[2]->GetFlag() != 0) {
        MCMarkEdit::Withdraw(m_journal, m_info[2]->GetMeter());
    }
    if (rebar) {
        Refile(conductor, m_info[0]->GetTime(), end,
               before->GetMeasureLength() > meter->GetMeasureLength());
    }
}

MCTime MCMeterEdit::Rebar(ECConductor* conductor, const MCTime& from, const MCTime& scopeEnd,
                          float oldLength, float newLength) {
    ECConductorStaff* staff = m_pConductorStaff;
    const int first = staff->GetMeasureNumberAtTime(from);
    const int last = staff->GetMeasureNumberBeforeTime(scopeEnd);
    if (!(from < staff->GetMaxMeasureEndTime()) || first < 1 || last < first) {
        return scopeEnd;
    }
    const int count = last - first + 1;
    MCTime delta(static_cast<float>(count) * newLength);
    delta -= MCTime(static_cast<float>(count) * oldLength);
    if (delta != MCTime::TimeZero()) {
        ACJournalDeltaTime move(delta, scopeEnd, m_journal);
        move.Apply(conductor->GetPerformance());
        m_journal.SortTracks(conductor);
        MCTime end = staff->GetMaxMeasureEndTime();
        end += delta;
        m_journal.SetEndTime(staff, end);
    }
    MCTime at = from;
    for (int number = first; number <= last; ++number) {
        ECConductorMeasure* column = staff->GetColumn(number - 1);
        for (int track = 0; track <= column->GetLastTrackIndex(); ++track) {
            ECMeasure* measure = column->GetMeasureOnTrack(track);
            if (measure != nullptr && *measure->GetTime() != at) {
                m_journal.SetTime(measure, at);
            }
        }
        at += MCTime(newLength);
    }
    m_journal.SortTracks(conductor);
    MCTime end = scopeEnd;
    if (delta > MCTime::TimeZero()) {
        end += delta;
    }
    return end;
}

void MCMeterEdit::Refile(ECConductor* conductor, const MCTime& from, const MCTime& to,
                         bool reverse) {
    CCAdjustMeasureChildren adjust;
    adjust.SetTimeRange(from, to);
    adjust.SetReverse(reverse ? 1 : 0);
    adjust.RefileInto(conductor, m_journal);
    m_nFirstAdded = adjust.GetFirstAddedMeasure();
    m_nAddedCount = adjust.GetAddedMeasureCount();
}

} // namespace clavenor
