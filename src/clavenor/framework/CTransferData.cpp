#include "clavenor/framework/CTransferData.h"

#include <algorithm>

namespace clavenor {

void CTransferData::SetFormat(std::string_view name, Payload payload) {
    if (name.empty()) {
        return;
    }
    auto it = std::find_if(m_formats.begin(), m_formats.end(),
                           [name](const auto& format) { return format.first == name; });
    if (payload == nullptr) {
        if (it != m_formats.end()) {
            m_formats.erase(it);
        }
        return;
    }
    if (it != m_formats.end()) {
        it->second = std::move(payload);
    } else {
        m_formats.emplace_back(std::string(name), std::move(payload));
    }
}

CTransferData::Payload CTransferData::GetFormat(std::string_view name) const {
    for (const auto& format : m_formats) {
        if (format.first == name) {
            return format.second;
        }
    }
    return nullptr;
}

} // namespace clavenor
