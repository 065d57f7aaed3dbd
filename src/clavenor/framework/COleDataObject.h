#pragma once

#include "clavenor/framework/CTransferData.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class CFile;

/// The incoming side of a transfer: reads payloads by clipboard format id from the
/// clipboard's contents or from a transfer handed over by a drop. MCOleDataIn builds on it.
///
/// Attaching takes a snapshot: a copy made elsewhere afterwards does not change what an
/// attached object reads. Used by one thread at a time.
class CLAVENOR_API COleDataObject {
public:
    COleDataObject();
    virtual ~COleDataObject();
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    /// Attaches to the clipboard's current contents (CDataTransfer::GetClipboard), releasing
    /// any earlier transfer. Returns 1 when the clipboard holds something, else 0 (and the
    /// object is then attached to nothing).
    [[nodiscard]] int AttachClipboard();

    /// Attaches to `data` (null: to nothing), releasing any earlier transfer.
    void Attach(std::shared_ptr<const CTransferData> data);

    /// Gives the attached transfer back to the caller and attaches to nothing.
    std::shared_ptr<const CTransferData> Detach();

    /// Attaches to nothing.
    void Release();

    /// Whether a transfer is attached.
    bool IsAttached() const { return m_data != nullptr; }

    /// Whether the attached transfer offers the registered format `format`.
    int IsDataAvailable(std::uint16_t format) const;

    /// The payload of `format`, or null when it is not offered.
    CTransferData::Payload GetData(std::uint16_t format) const;

    /// A read-only file over the payload of `format` (sharing its bytes, positioned at the
    /// start), or null when it is not offered.
    std::unique_ptr<CFile> GetFileData(std::uint16_t format) const;

private:
    std::shared_ptr<const CTransferData> m_data;
};

} // namespace clavenor
