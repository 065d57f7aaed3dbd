#pragma once

#include "clavenor/clipboard/MCOleDataInfo.h"
#include "clavenor/framework/COleDataObject.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class CDocument;

/// The incoming transfer of copied elements: reads the info record and the elements back
/// from the transfer it is attached to (the clipboard's contents, a dropped transfer, or a
/// data out's own offers for a deep copy; see CCPaste and CCDrop).
///
/// What a transfer holds comes from another program and is untrusted: a payload that is
/// malformed, truncated or hostile makes GetInfo and GetEvents throw CArchiveException,
/// having released everything the failed read created; nothing of it stays behind. The
/// streams are read in the current layout whatever document is active (the library writes
/// nothing else onto the clipboard), and the archives carry the data in's document.
///
/// The elements read are new, free-standing elements (no parents) held by the data in's
/// list. They stay alive while something holds them: a command that links them into a
/// document (CCAdd) or a list of the host. Elements still held only by the data in are
/// destroyed with it, subtrees included (see ReleaseEvents).
///
/// Used by one thread at a time (the owning thread, where the clipboard commands run).
class CLAVENOR_API MCOleDataIn : public COleDataObject {
public:
    /// Works for `document`, which the archives it makes carry; null for none yet.
    explicit MCOleDataIn(CDocument* document = nullptr);
    /// Destroys the info record, releases the elements (ReleaseEvents) and the transfer.
    ~MCOleDataIn() override;

    ///@{
    /// The document the archives carry; not owned.
    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* document) { m_pDocument = document; }
    ///@}

    /// The info record: the one read earlier, if any; else read now from "Clavenor Music
    /// Info", or null when the transfer does not offer that format. The data in owns the
    /// record. Throws CArchiveException for a payload that is not a whole record (the data
    /// in then holds no record).
    MCOleDataInfo* GetInfo();

    /// The elements: while the kept list is empty, read from "Clavenor Music Data" (each
    /// element of any element class, with its subtree); the list stays empty when the
    /// transfer does not offer that format. Reads the payload once: later calls return the
    /// same list. Throws CArchiveException for a malformed payload (the list is then empty
    /// and every element of the failed read is destroyed).
    MCEventList& GetEvents();

    /// 0 when `check` is non-zero and HasValidData() is 0; otherwise whether the transfer
    /// offers `format`.
    int HasFormat(std::uint16_t format, int check);

    /// Whether the attached transfer holds content of this library: it offers "Clavenor
    /// Music Data" or "Clavenor Music Info". (No content of other programs can be embedded
    /// into a document.)
    int HasValidData();

    /// Empties a list of elements read from a transfer: each element is released, and one
    /// that has no parent and that nothing but its own children still holds is dismantled
    /// with its subtree (RemoveChildren(1)), so that a pasted chord nobody inserted does not
    /// keep itself alive through its notes. Elements that something else holds (a document,
    /// a command, a reference of the host) survive.
    static void ReleaseEvents(MCEventList& list);

private:
    // Reads `read(CArchive&)` from the payload of `format`; false when it is not offered.
    template <class Read>
    bool ReadPayload(std::uint16_t format, Read read);

    CDocument* m_pDocument;
    std::unique_ptr<MCOleDataInfo> m_pInfo;
    MCEventList m_events;
};

} // namespace clavenor
