#include "clavenor/elements/ECFrame.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/COleClientItem.h"
#include "clavenor/model/EventRegistry.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECFrame, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECFrame, EventId::Frame)

ECFrame::ECFrame(std::uint8_t type) { SetFrameType(type); }

ECFrame::ECFrame(const ECFrame& other) : ECWithTime(other) { SetSubtype(other.GetSubtype()); }

ECFrame::~ECFrame() { SetClientItem(nullptr); }

ECFrame& ECFrame::operator=(const ECFrame& other) {
    ECWithTime::operator=(other);
    SetFrameType(other.GetFrameType());
    return *this;
}

void ECFrame::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetSubtype();
        ar.WriteObject(m_pItem);
        return;
    }
    std::uint8_t byte = 0;
    ar >> byte;
    SetSubtype(byte);
    COleClientItem* item = nullptr;
    ar >> item;
    if (item != nullptr && item != m_pItem && SetClientItem(item) == 0) {
        throw CArchiveException(CArchiveException::badIndex, "an embedded item in two frames");
    }
}

ECBase* ECFrame::Copy(CObject* src) { return CopyAs(this, src); }

int ECFrame::GetEventId() const { return EventId::Frame; }

int ECFrame::GetParentTypes(CArray<int, int>& types) {
    types.Add(EventId::Performance);
    return 1;
}

int ECFrame::SetClientItem(COleClientItem* item) {
    if (item == m_pItem) {
        return 1;
    }
    if (item != nullptr && item->IsOwned()) {
        return 0;
    }
    if (m_pItem != nullptr) {
        m_pItem->Delete();
    }
    m_pItem = item;
    if (item != nullptr) {
        item->SetOwned(true);
    }
    return 1;
}

void ECFrame::SetFrameType(std::uint8_t type) {
    SetSubtype(static_cast<std::uint8_t>((GetSubtype() & ~kTypeMask) | (type & kTypeMask)));
}

} // namespace clavenor
