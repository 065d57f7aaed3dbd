#include "clavenor/framework/COleDataSource.h"

#include "clavenor/framework/COleDropSource.h"
#include "clavenor/framework/ClipboardFormats.h"

#include <string>
#include <utility>

namespace clavenor {

COleDataSource::COleDataSource() : m_data(std::make_shared<CTransferData>()) {}

COleDataSource::~COleDataSource() = default;

int COleDataSource::CacheData(std::uint16_t format, std::vector<std::uint8_t> bytes) {
    const std::string name = GetClipboardFormatName(format);
    if (name.empty()) {
        return 0;
    }
    m_data->SetFormat(name, std::make_shared<const CTransferData::Bytes>(std::move(bytes)));
    return 1;
}

int COleDataSource::IsDataAvailable(std::uint16_t format) const {
    const std::string name = GetClipboardFormatName(format);
    return !name.empty() && m_data->HasFormat(name) ? 1 : 0;
}

void COleDataSource::Empty() { m_data = std::make_shared<CTransferData>(); }

std::shared_ptr<const CTransferData> COleDataSource::GetTransferData() const {
    return std::make_shared<const CTransferData>(*m_data);
}

int COleDataSource::SetClipboard() {
    if (CDataTransfer::GetActive().SetClipboard(GetTransferData()) == 0) {
        return 0;
    }
    Empty();
    return 1;
}

DROPEFFECT COleDataSource::DoDragDrop(DROPEFFECT allowed, COleDropSource* source, CWnd* window) {
    COleDropSource fallback;
    COleDropSource& dropSource = source != nullptr ? *source : fallback;
    if (dropSource.OnBeginDrag(window) == 0) {
        return DROPEFFECT_NONE;
    }
    return CDataTransfer::GetActive().DoDragDrop(GetTransferData(), allowed, dropSource, window);
}

} // namespace clavenor
