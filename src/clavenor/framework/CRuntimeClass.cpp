#include "clavenor/framework/CRuntimeClass.h"

#include "clavenor/framework/CObject.h"

#include <string>
#include <unordered_map>

namespace clavenor {

namespace {

// A function-local static, so that records constructed during static initialisation of
// any translation unit find the registry ready.
std::unordered_map<std::string_view, const CRuntimeClass*>& Registry() {
    static std::unordered_map<std::string_view, const CRuntimeClass*> registry;
    return registry;
}

} // namespace

CRuntimeClass::CRuntimeClass(const char* name, std::uint32_t schema, CObject* (*factory)(),
                             const CRuntimeClass* base)
    : m_lpszClassName(name), m_wSchema(schema), m_pfnCreateObject(factory), m_pBaseClass(base) {
    if (name != nullptr && *name != '\0') {
        Registry().emplace(std::string_view(name), this);
    }
}

CRuntimeClass::~CRuntimeClass() {
    if (m_lpszClassName == nullptr) {
        return;
    }
    auto& registry = Registry();
    auto it = registry.find(std::string_view(m_lpszClassName));
    if (it != registry.end() && it->second == this) {
        registry.erase(it);
    }
}

CObject* CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
        if (c == base) {
            return true;
        }
    }
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view name) {
    const auto& registry = Registry();
    auto it = registry.find(name);
    return it != registry.end() ? it->second : nullptr;
}

} // namespace clavenor
