#pragma once

#include "clavenor/clipboard/MCOleDataInfo.h"
#include "clavenor/clipboard/MCOleDataOut.h"
#include "clavenor/commands/CCBase.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"

#include <memory>

namespace clavenor {

class CDocument;
class ECBase;

/// Puts elements on the clipboard: their records under "Clavenor Music Data" and an info
/// record under "Clavenor Music Info", through the active data-transfer service
/// (CDataTransfer). The document is only read; the command is never recorded for undo (the
/// constructor clears the can-undo flag), but it runs through the command manager like every
/// command, so that handlers and change records see it. Like every command it needs a target
/// with a conductor (CCBase::Prepare).
///
/// Prepare collapses the elements to their ancestors (an element below another listed one
/// travels inside it), sorts them by time and sets the info record's event type to their
/// common event id. Process writes both payloads and hands them to the clipboard; it fails
/// (the batch aborts with a code-501 record) when there is nothing to copy, when writing
/// fails, or when the service cannot set the clipboard.
class CLAVENOR_API CCCopy : public CCBase {
    DECLARE_SERIAL(CCCopy)

public:
    CCCopy();
    ~CCCopy() override;

    int GetCommandId() const override;

    /// CCBase::Prepare, then collapse, sort and event type as above; creates the data out
    /// when there is none. 0 when the base fails or the data out cannot be created.
    int Prepare() override;
    /// The discard list; caches the info record and the elements in the data out and hands
    /// it to the clipboard, which keeps its payloads; the data out is then gone (GetDataOut
    /// is null). 1, or 0 when caching or setting the clipboard fails.
    int Process() override;

    /// Gives the data out (created when there is none; nothing happens when that fails) the
    /// host's document, which the archives carry.
    void SetDocument(CDocument* document);
    /// The data out's document, or null without a data out.
    CDocument* GetDocument() const;

    ///@{
    /// Appends elements to copy (the command's list holds a reference on each). Allocation
    /// failure throws std::bad_alloc, with the elements appended before it kept. A null list
    /// appends nothing.
    void CopyEvent(ECBase* element);
    void CopyEvents(MCEventList* elements);
    ///@}

    /// Stores a copy of `size` bytes under `key` in the info record; 1, or 0 when the key is
    /// already present.
    int CopyInfo(int key, const void* data, int size);
    /// The bytes stored under `key` in the info record, or null when the key is absent.
    const void* GetInfo(int key) const;

    /// The elements to copy, the command's own list (after Prepare collapsed and sorted).
    MCEventList& GetEvents() { return m_events; }
    /// The info record written beside the elements, the command's own.
    MCOleDataInfo& GetDataInfo() { return m_info; }
    /// The data out, the command's own; null before Prepare and after a Process that
    /// handed it to the clipboard.
    MCOleDataOut* GetDataOut() const { return m_pDataOut.get(); }

    /// A deep copy through the transfer format: writes `source` into a temporary data out
    /// for `document`, reads it back through a temporary data in and puts the elements read
    /// in `target` in place of its content (released as MCOleDataIn::ReleaseEvents does).
    /// The copies are new, free-standing elements that share nothing with the originals;
    /// `target` holds them. Returns 1 when `target` is not empty afterwards; 0 for an empty
    /// `source` (target unchanged) and when writing or reading fails (target empty).
    static int DoCopyEvents(MCEventList& source, MCEventList& target, CDocument* document);

    /// The deep copy of one element, or null when it fails. No reference is held on the
    /// copy: the caller owns it as if it had made it with `new` (link it into a graph, or
    /// delete it, which releases its subtree).
    static ECBase* DoCopyEvent(ECBase* element, CDocument* document);

protected:
    /// Creates the data out when there is none; false when it cannot be created.
    bool MakeDataOut();

    ///@{
    /// The state the accessors above report.
    MCEventList m_events;
    MCOleDataInfo m_info;
    std::unique_ptr<MCOleDataOut> m_pDataOut;
    ///@}
};

} // namespace clavenor
