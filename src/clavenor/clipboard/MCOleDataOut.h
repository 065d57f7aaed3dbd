#pragma once

#include "clavenor/framework/COleDataSource.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class CDocument;
class MCEventList;
class MCOleDataInfo;

/// The outgoing transfer of copied elements: writes a list of elements under "Clavenor
/// Music Data" and an info record under "Clavenor Music Info" (MCClipFormat), each as an
/// archive stream, then goes to the clipboard (SetClipboard) or into a drag (DoDragDrop).
/// Writing into a data out and reading the transfer back with an MCOleDataIn is also the
/// model's deep copy (CCCopy::DoCopyEvents).
///
/// The streams are written in the current layout; the archives carry the data out's
/// document (CArchive::GetDocument). Used by one thread at a time (the owning thread, where
/// the clipboard commands run).
class CLAVENOR_API MCOleDataOut : public COleDataSource {
public:
    /// Works for `document`, which the archives it makes carry; null for none yet.
    explicit MCOleDataOut(CDocument* document = nullptr);
    ~MCOleDataOut() override;

    ///@{
    /// The document the archives carry; not owned.
    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* document) { m_pDocument = document; }
    ///@}

    /// Offers the elements of `list` under "Clavenor Music Data": the list's record (a
    /// count, then each element as an object reference, written in full with its subtree
    /// the first time it occurs). Returns 1, or 0 for an empty list and when writing fails
    /// (an archive error such as a graph nested deeper than the archive allows, or no
    /// memory); then nothing new is offered. The elements are only read.
    int CacheEvents(MCEventList& list);

    /// Offers the record of `info` under "Clavenor Music Info". Returns 1, or 0 for null and
    /// when writing fails.
    int CacheInfo(MCOleDataInfo* info);

private:
    // Writes `write(CArchive&)` into a new block and offers it under `format`.
    template <class Write>
    int Cache(std::uint16_t format, Write write);

    CDocument* m_pDocument;
};

} // namespace clavenor
