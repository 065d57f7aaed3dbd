#include "clavenor/commands/CCPaste.h"

#include "clavenor/clipboard/MCClipFormat.h"
#include "clavenor/model/ECBase.h"

#include <exception>
#include <new>
#include <string>

namespace clavenor {

IMPLEMENT_SERIAL(CCPaste, CCBase, 2 | CRuntimeClass::VersionableSchema)

CCPaste::CCPaste() { SetCanUndo(0); }

CCPaste::~CCPaste() {
    // Ours first: the data in, released last, then sees what only it still holds.
    MCOleDataIn::ReleaseEvents(m_events);
}

int CCPaste::GetCommandId() const { return 33; }

int CCPaste::Prepare() {
    if (CCBase::Prepare() == 0) {
        return 0;
    }
    return MakeDataIn() ? 1 : 0;
}

int CCPaste::Process() {
    CCBase::Process();
    m_error.Empty();
    Attach();
    try {
        if (m_nFormat == 0 || m_nFormat == MCClipFormat::Info()) {
            m_pInfo = m_pDataIn->GetInfo();
        }
        if (m_nFormat == 0 || m_nFormat == MCClipFormat::Data()) {
            MCOleDataIn::ReleaseEvents(m_events);
            MCEventList& read = m_pDataIn->GetEvents();
            for (POSITION pos = read.GetHeadPosition(); pos != nullptr;) {
                if (m_events.AddTail(read.GetNext(pos)) == nullptr) {
                    throw std::bad_alloc();
                }
            }
        }
    } catch (const std::exception& error) {
        m_pInfo = nullptr;
        MCOleDataIn::ReleaseEvents(m_events);
        const bool damaged = dynamic_cast<const CArchiveException*>(&error) != nullptr;
        m_error = std::string(damaged ? "The music on the clipboard is damaged and cannot be "
                                        "pasted ("
                                      : "The music on the clipboard cannot be pasted (") +
                  error.what() + ").";
        Detach();
        return 0;
    }
    Detach();
    return 1;
}

int CCPaste::ClipboardHasFormat(std::uint16_t format, int check) {
    MCOleDataIn in;
    // An empty clipboard leaves `in` attached to nothing, which holds no format.
    (void)in.AttachClipboard();
    return in.HasFormat(format, check);
}

int CCPaste::ClipboardHasValidData() {
    MCOleDataIn in;
    // An empty clipboard leaves `in` attached to nothing, which holds no valid data.
    (void)in.AttachClipboard();
    return in.HasValidData();
}

void CCPaste::SetDocument(CDocument* document) {
    if (MakeDataIn()) {
        m_pDataIn->SetDocument(document);
    }
}

CDocument* CCPaste::GetDocument() const {
    return m_pDataIn != nullptr ? m_pDataIn->GetDocument() : nullptr;
}

int CCPaste::HasFormat(std::uint16_t format, int check) {
    if (m_pDataIn == nullptr) {
        return 0;
    }
    Attach();
    const int result = m_pDataIn->HasFormat(format, check);
    Detach();
    return result;
}

const void* CCPaste::GetInfo(int key) const {
    const void* data = nullptr;
    int size = 0;
    return m_pInfo != nullptr && m_pInfo->GetInfo(key, data, size) != 0 ? data : nullptr;
}

// An empty clipboard leaves the paste attached to nothing: it then finds no data to paste.
void CCPaste::Attach() { (void)m_pDataIn->AttachClipboard(); }

void CCPaste::Detach() { m_pDataIn->Release(); }

bool CCPaste::MakeDataIn() {
    if (m_pDataIn == nullptr) {
        try {
            m_pDataIn = std::make_unique<MCOleDataIn>();
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

} // namespace clavenor
