#include "clavenor/framework/COleDataObject.h"

#include "clavenor/framework/CArchiveException.h"
#include "clavenor/framework/CDataTransfer.h"
#include "clavenor/framework/CFile.h"
#include "clavenor/framework/ClipboardFormats.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace clavenor {

namespace {

// A file that reads a payload in place; the payload stays alive while the file does.
class CPayloadFile : public CFile {
public:
    explicit CPayloadFile(CTransferData::Payload payload) : m_payload(std::move(payload)) {}

    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t size = m_payload->size();
        if (m_position >= size || count == 0) {
            return 0;
        }
        const std::size_t n = std::min(count, size - static_cast<std::size_t>(m_position));
        std::memcpy(buffer, m_payload->data() + m_position, n);
        m_position += n;
        return n;
    }
    // A payload is immutable once offered.
    void Write(const void*, std::size_t) override {
        throw CArchiveException(CArchiveException::readOnly, "a transfer's payload is read-only");
    }
    std::uint64_t Seek(std::int64_t offset, SeekPosition from) override {
        std::int64_t base = 0;
        if (from == current) {
            base = static_cast<std::int64_t>(m_position);
        } else if (from == end) {
            base = static_cast<std::int64_t>(m_payload->size());
        }
        const std::int64_t target = base + offset;
        m_position = target < 0 ? 0 : static_cast<std::uint64_t>(target);
        return m_position;
    }
    std::uint64_t GetLength() const override { return m_payload->size(); }
    std::uint64_t GetPosition() const override { return m_position; }

private:
    CTransferData::Payload m_payload;
    std::uint64_t m_position = 0;
};

} // namespace

COleDataObject::COleDataObject() = default;

COleDataObject::~COleDataObject() = default;

int COleDataObject::AttachClipboard() {
    m_data = CDataTransfer::GetActive().GetClipboard();
    return m_data != nullptr ? 1 : 0;
}

void COleDataObject::Attach(std::shared_ptr<const CTransferData> data) { m_data = std::move(data); }

std::shared_ptr<const CTransferData> COleDataObject::Detach() { return std::move(m_data); }

void COleDataObject::Release() { m_data = nullptr; }

int COleDataObject::IsDataAvailable(std::uint16_t format) const {
    return GetData(format) != nullptr ? 1 : 0;
}

CTransferData::Payload COleDataObject::GetData(std::uint16_t format) const {
    if (m_data == nullptr) {
        return nullptr;
    }
    const std::string name = GetClipboardFormatName(format);
    return name.empty() ? nullptr : m_data->GetFormat(name);
}

std::unique_ptr<CFile> COleDataObject::GetFileData(std::uint16_t format) const {
    CTransferData::Payload payload = GetData(format);
    if (payload == nullptr) {
        return nullptr;
    }
    return std::make_unique<CPayloadFile>(std::move(payload));
}

} // namespace clavenor
