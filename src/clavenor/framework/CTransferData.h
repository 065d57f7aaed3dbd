#pragma once

#include "clavenor/framework/Export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace clavenor {

/// One transfer as the data-transfer service carries it (the contents of one copy or one
/// drag): payloads of bytes, each under the name of its clipboard format, in the order they
/// were offered.
///
/// Payloads are shared, immutable byte blocks: copying a CTransferData or handing it to the
/// clipboard copies pointers, not bytes. Once offered to a service, a transfer is only read,
/// so readers on any thread may share it.
class CLAVENOR_API CTransferData {
public:
    using Bytes = std::vector<std::uint8_t>;      ///< One payload's bytes.
    using Payload = std::shared_ptr<const Bytes>; ///< A shared, immutable payload.

    /// Offers `payload` under `name`, replacing an earlier payload of that name (which keeps
    /// its place in the order). A null payload removes the name. Empty names are ignored.
    void SetFormat(std::string_view name, Payload payload);

    /// The payload offered under `name` (exact, case-sensitive), or null.
    Payload GetFormat(std::string_view name) const;
    /// Whether a payload is offered under `name`.
    bool HasFormat(std::string_view name) const { return GetFormat(name) != nullptr; }

    /// Whether no format is offered.
    bool IsEmpty() const { return m_formats.empty(); }
    /// The number of formats offered.
    std::size_t GetFormatCount() const { return m_formats.size(); }
    /// The i-th format's name, in offer order (i below GetFormatCount(): not checked).
    const std::string& GetFormatName(std::size_t i) const { return m_formats[i].first; }
    /// The i-th format's payload, in offer order (i below GetFormatCount(): not checked).
    const Payload& GetPayload(std::size_t i) const { return m_formats[i].second; }

private:
    std::vector<std::pair<std::string, Payload>> m_formats;
};

} // namespace clavenor
