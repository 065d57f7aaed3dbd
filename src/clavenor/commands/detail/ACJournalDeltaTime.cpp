#include "clavenor/commands/detail/ACJournalDeltaTime.h"

#include "clavenor/actions/ACFindTime.h"
#include "clavenor/commands/detail/MCEditJournal.h"
#include "clavenor/model/ECBase.h"

namespace clavenor {

ACJournalDeltaTime::ACJournalDeltaTime(const MCTime& delta, const MCTime& start,
                                       MCEditJournal& journal)
    : ACDeltaTime(delta, start, MCTime::TimeMax(), ACFindTime::StartOnly), m_journal(journal) {}

void ACJournalDeltaTime::MoveTo(ECBase* element, MCTime& time) {
    if (element->GetParents()->GetCount() > 1 && !m_shared.insert(element).second) {
        return;
    }
    m_journal.SetTime(element, time);
}

} // namespace clavenor
