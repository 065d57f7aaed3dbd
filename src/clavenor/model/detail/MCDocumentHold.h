#pragma once

#include "clavenor/model/ECBase.h"

#include <utility>

namespace clavenor {

/// One reference on a document that a hand-over holds while its work waits or runs, so that
/// the document's count shows the work still pending. Taken on the owning thread when work is
/// dispatched, carried by the message (Release), taken over by the receiver (Adopt) and given
/// back when the receiver's scope ends, also when the work throws. Giving it back never
/// destroys the document, which stays the host's to delete.
class MCDocumentHold {
public:
    /// Takes a reference on `document` (none for null).
    explicit MCDocumentHold(ECBase* document) : m_pDocument(document) {
        if (m_pDocument != nullptr) {
            m_pDocument->Ref();
        }
    }
    /// Takes over the reference that a dispatch took on `document`.
    [[nodiscard]] static MCDocumentHold Adopt(ECBase* document) {
        MCDocumentHold hold(nullptr);
        hold.m_pDocument = document;
        return hold;
    }
    MCDocumentHold(MCDocumentHold&& other) noexcept
        : m_pDocument(std::exchange(other.m_pDocument, nullptr)) {}
    MCDocumentHold& operator=(MCDocumentHold&&) = delete;
    ~MCDocumentHold() {
        if (m_pDocument != nullptr) {
            m_pDocument->Unref(0);
        }
    }

    /// The message now carries the reference: this scope no longer gives it back.
    void Release() { m_pDocument = nullptr; }

private:
    ECBase* m_pDocument;
};

} // namespace clavenor
