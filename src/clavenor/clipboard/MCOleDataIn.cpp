#include "clavenor/clipboard/MCOleDataIn.h"

#include "clavenor/clipboard/MCClipFormat.h"
#include "clavenor/elements/ECPerformance.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CFile.h"
#include "clavenor/model/ECBase.h"

namespace clavenor {

namespace {

constexpr std::size_t ArchiveBuffer = 4096;

// Transfers are always written in the current layout: while one is read, no document's
// older version may steer the records.
class CurrentLayout {
public:
    CurrentLayout() : m_previous(ECPerformance::SetActivePerformance(nullptr)) {}
    ~CurrentLayout() { ECPerformance::SetActivePerformance(m_previous); }
    CurrentLayout(const CurrentLayout&) = delete;
    CurrentLayout& operator=(const CurrentLayout&) = delete;

private:
    ECPerformance* m_previous;
};

// Whether `element`, beside `held` references of the caller, is kept only by the back
// references of its own children (their parents lists).
bool HeldOnlyByOwnChildren(ECBase* element, std::uint32_t held) {
    std::uint32_t fromChildren = 0;
    if (MCEventList* children = element->GetChildren()) {
        for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
            MCEventList* parents = children->GetNext(pos)->GetParents();
            for (POSITION at = parents->Find(element); at != nullptr;
                 at = parents->Find(element, at)) {
                ++fromChildren;
            }
        }
    }
    return element->GetRefCount() <= fromChildren + held;
}

} // namespace

MCOleDataIn::MCOleDataIn(CDocument* document) : m_pDocument(document) {}

MCOleDataIn::~MCOleDataIn() { ReleaseEvents(m_events); }

template <class Read>
bool MCOleDataIn::ReadPayload(std::uint16_t format, Read read) {
    std::unique_ptr<CFile> file = GetFileData(format);
    if (file == nullptr) {
        return false;
    }
    CurrentLayout layout;
    CArchive ar(file.get(), CArchive::load, ArchiveBuffer);
    ar.SetDocument(m_pDocument);
    read(ar);
    ar.Close();
    return true;
}

MCOleDataInfo* MCOleDataIn::GetInfo() {
    if (m_pInfo != nullptr) {
        return m_pInfo.get();
    }
    auto info = std::make_unique<MCOleDataInfo>();
    if (!ReadPayload(MCClipFormat::Info(), [&info](CArchive& ar) { info->Serialize(ar); })) {
        return nullptr;
    }
    m_pInfo = std::move(info);
    return m_pInfo.get();
}

MCEventList& MCOleDataIn::GetEvents() {
    if (!m_events.IsEmpty()) {
        return m_events;
    }
    ReadPayload(MCClipFormat::Data(), [this](CArchive& ar) {
        try {
            m_events.Serialize(ar);
        } catch (...) {
            // Let go of the partial read while the archive still holds what it created, so
            // that closing it destroys everything.
            ReleaseEvents(m_events);
            throw;
        }
    });
    return m_events;
}

int MCOleDataIn::HasFormat(std::uint16_t format, int check) {
    if (check != 0 && HasValidData() == 0) {
        return 0;
    }
    return IsDataAvailable(format);
}

int MCOleDataIn::HasValidData() {
    return IsDataAvailable(MCClipFormat::Data()) != 0 || IsDataAvailable(MCClipFormat::Info()) != 0
               ? 1
               : 0;
}

void MCOleDataIn::ReleaseEvents(MCEventList& list) {
    while (!list.IsEmpty()) {
        ECBase* element = list.GetHead();
        element->Ref();
        list.RemoveHead();
        if (element->GetParents()->IsEmpty() && HeldOnlyByOwnChildren(element, 1)) {
            element->RemoveChildren(1);
        }
        element->Unref(1);
    }
}

} // namespace clavenor
