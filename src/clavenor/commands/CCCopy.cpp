#include "clavenor/commands/CCCopy.h"

#include "clavenor/clipboard/MCOleDataIn.h"
#include "clavenor/model/ECBase.h"

#include <new>

namespace clavenor {

IMPLEMENT_SERIAL(CCCopy, CCBase, 2 | CRuntimeClass::VersionableSchema)

CCCopy::CCCopy() { SetCanUndo(0); }

CCCopy::~CCCopy() = default;

int CCCopy::GetCommandId() const { return 16; }

int CCCopy::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    m_events.CollapseToAncestors();
    m_events.Sort();
    m_info.SetEventType(m_events.GetEventType());
    return MakeDataOut() ? 1 : 0;
}

int CCCopy::Process() {
    CCBase::Process();
    if (m_pDataOut->CacheInfo(&m_info) == 0 || m_pDataOut->CacheEvents(m_events) == 0 ||
        m_pDataOut->SetClipboard() == 0) {
        return 0;
    }
    m_pDataOut.reset();
    return 1;
}

void CCCopy::SetDocument(CDocument* document) {
    if (MakeDataOut()) {
        m_pDataOut->SetDocument(document);
    }
}

CDocument* CCCopy::GetDocument() const {
    return m_pDataOut != nullptr ? m_pDataOut->GetDocument() : nullptr;
}

void CCCopy::CopyEvent(ECBase* element) {
    if (element != nullptr && m_events.AddTail(element) == nullptr) {
        throw std::bad_alloc();
    }
}

void CCCopy::CopyEvents(MCEventList* elements) {
    if (elements == nullptr) {
        return;
    }
    for (POSITION pos = elements->GetHeadPosition(); pos != nullptr;) {
        CopyEvent(elements->GetNext(pos));
    }
}

int CCCopy::CopyInfo(int key, const void* data, int size) {
    return m_info.SetInfo(key, data, size);
}

const void* CCCopy::GetInfo(int key) const {
    const void* data = nullptr;
    int size = 0;
    return m_info.GetInfo(key, data, size) != 0 ? data : nullptr;
}

int CCCopy::DoCopyEvents(MCEventList& source, MCEventList& target, CDocument* document) {
    if (source.IsEmpty()) {
        return 0;
    }
    MCOleDataOut out(document);
    const int written = out.CacheEvents(source);
    MCOleDataIn::ReleaseEvents(target);
    if (written == 0) {
        return 0;
    }
    MCOleDataIn in(document);
    in.Attach(out.GetTransferData());
    try {
        MCEventList& copies = in.GetEvents();
        for (POSITION pos = copies.GetHeadPosition(); pos != nullptr;) {
            if (target.AddTail(copies.GetNext(pos)) == nullptr) {
                throw std::bad_alloc();
            }
        }
    } catch (const CArchiveException&) {
        // A class whose record does not read back what it wrote: no copy rather than a
        // wrong one.
        MCOleDataIn::ReleaseEvents(target);
    } catch (const std::bad_alloc&) {
        MCOleDataIn::ReleaseEvents(target);
    }
    return target.IsEmpty() ? 0 : 1;
}

ECBase* CCCopy::DoCopyEvent(ECBase* element, CDocument* document) {
    if (element == nullptr) {
        return nullptr;
    }
    MCEventList source;
    MCEventList target;
    if (source.AddTail(element) == nullptr || DoCopyEvents(source, target, document) == 0) {
        return nullptr;
    }
    ECBase* copy = target.GetHead();
    copy->Ref();
    target.RemoveAll();
    copy->Unref(0);
    return copy;
}

bool CCCopy::MakeDataOut() {
    if (m_pDataOut == nullptr) {
        try {
            m_pDataOut = std::make_unique<MCOleDataOut>();
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

} // namespace clavenor
