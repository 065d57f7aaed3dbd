#pragma once

#include "clavenor/framework/CDataTransfer.h"
#include "clavenor/framework/CTransferData.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace clavenor {

class COleDropSource;
class CWnd;

/// The outgoing side of a transfer: collects payloads under clipboard format ids, then
/// hands them to the clipboard or to a drag through the active data-transfer service
/// (CDataTransfer). MCOleDataOut builds on it.
///
/// Used by one thread at a time.
class CLAVENOR_API COleDataSource {
public:
    COleDataSource();
    virtual ~COleDataSource();
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    /// Offers `bytes` under the registered format `format`, replacing an earlier offer of
    /// that format. Returns 0 and offers nothing for an id that is not registered
    /// (RegisterClipboardFormat).
    [[nodiscard]] int CacheData(std::uint16_t format, std::vector<std::uint8_t> bytes);

    /// Whether something is offered under `format`.
    int IsDataAvailable(std::uint16_t format) const;

    /// Withdraws every offer.
    void Empty();

    /// What is offered, as one transfer that shares the payloads' bytes. Later offers do not
    /// change a transfer already taken.
    std::shared_ptr<const CTransferData> GetTransferData() const;

    /// Makes what is offered the clipboard's contents (CDataTransfer::SetClipboard): the
    /// clipboard keeps the payloads and this source is left empty. Returns the service's
    /// answer: 1, or 0 when the clipboard could not be set (the offers then stay).
    [[nodiscard]] int SetClipboard();

    /// Runs a drag of what is offered: `source` (a default drop source when null) decides
    /// whether the drag starts, then the service's drag loop runs. Returns the effect of the
    /// drop, DROPEFFECT_NONE when the drag did not start or nothing accepted it.
    DROPEFFECT DoDragDrop(DROPEFFECT allowed, COleDropSource* source = nullptr,
                          CWnd* window = nullptr);

private:
    std::shared_ptr<CTransferData> m_data;
};

} // namespace clavenor
