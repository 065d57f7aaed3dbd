#pragma once

#include "clavenor/actions/ACDeltaTime.h"

#include <unordered_set>

namespace clavenor {

class MCEditJournal;

/// ACDeltaTime that records every move in a journal, so that the shift can be taken back
/// exactly (float sums do not give the old time back when the delta is subtracted again).
/// An element that the walk reaches twice (it has two parents under the start) moves once.
/// Allocation failure throws std::bad_alloc out of Apply, the moves made so far recorded.
class ACJournalDeltaTime : public ACDeltaTime {
public:
    ACJournalDeltaTime(const MCTime& delta, const MCTime& start, MCEditJournal& journal);

protected:
    void MoveTo(ECBase* element, MCTime& time) override;

private:
    MCEditJournal& m_journal;
    std::unordered_set<ECBase*> m_shared;
};

} // namespace clavenor
