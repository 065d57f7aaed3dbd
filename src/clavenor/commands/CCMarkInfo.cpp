#include "clavenor/commands/CCMarkInfo.h"

#include "clavenor/elements/ECClef.h"
#include "clavenor/elements/ECKey.h"
#include "clavenor/model/ECBase.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

namespace {

std::uint8_t HandOf(ECBase* element) {
    if (auto* key = dynamic_cast<ECKey*>(element)) {
        return key->GetHand();
    }
    if (auto* clef = dynamic_cast<ECClef*>(element)) {
        return clef->GetHand();
    }
    return 0;
}

} // namespace

CCMarkInfo::CCMarkInfo(ECBase* element, ECBase* measure)
    : m_pElement(element),
      m_time(element->GetTime() != nullptr ? *element->GetTime() : MCTime::TimeNull()),
      m_hand(HandOf(element)) {
    if (measure == nullptr) {
        for (ECBase* parent : *element->GetParents()) {
            if (parent->GetEventId() == EventId::Measure) {
                measure = parent;
                break;
            }
        }
    }
    m_pMeasure = measure;
    m_pElement->Ref();
    if (m_pMeasure != nullptr) {
        m_pMeasure->Ref();
    }
}

CCMarkInfo::~CCMarkInfo() {
    if (m_pMeasure != nullptr) {
        m_pMeasure->Unref(1);
    }
    m_pElement->Unref(1);
}

} // namespace clavenor
