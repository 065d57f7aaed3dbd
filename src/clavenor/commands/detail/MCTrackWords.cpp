#include "clavenor/commands/detail/MCTrackWords.h"

#include "clavenor/actions/ACFindEvents.h"
#include "clavenor/elements/ECConductor.h"
#include "clavenor/elements/ECConductorStaff.h"
#include "clavenor/elements/ECTrack.h"
#include "clavenor/model/ECBase.h"

#include <new>

namespace clavenor {

MCTrackWords::~MCTrackWords() { Clear(); }

void MCTrackWords::KeepStavesFrom(ECConductor* conductor, int first) {
    if (conductor != nullptr) {
        KeepStavesFrom(conductor->GetConductorStaff(), first);
    }
}

void MCTrackWords::KeepStavesFrom(ECConductorStaff* table, int first) {
    if (table == nullptr) {
        return;
    }
    const int count = table->GetMaxStaffNumber();
    for (int number = 1; number <= count; ++number) {
        ECBase* staff = table->GetStaff(number, 0);
        if (staff != nullptr && staff->GetTrack() != 0 && staff->GetTrack() >= first) {
            Keep(staff);
        }
    }
}

void MCTrackWords::Keep(ECBase* track) {
    ACFindEvents find;
    // The walk gives up, rather than throwing, when it cannot store what it found.
    if (find.Apply(track) == ACBase::ResultAbort) {
        throw std::bad_alloc();
    }
    m_words.reserve(m_words.size() + static_cast<std::size_t>(find.GetEvents()->GetCount()));
    for (ECBase* element : *find.GetEvents()) {
        if (const MCVoiceTrack* word = element->GetVoiceTrack()) {
            element->Ref();
            m_words.push_back(Word{element, *word});
        }
    }
}

void MCTrackWords::PutBack() const {
    for (auto it = m_words.rbegin(); it != m_words.rend(); ++it) {
        MCVoiceTrack word = it->word;
        it->element->SetVoiceTrack(&word);
    }
}

void MCTrackWords::Clear() {
    for (const Word& word : m_words) {
        word.element->Unref(1);
    }
    m_words.clear();
}

} // namespace clavenor
