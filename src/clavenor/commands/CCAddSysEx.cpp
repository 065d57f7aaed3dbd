#include "clavenor/commands/CCAddSysEx.h"

#include <memory>

namespace clavenor {

IMPLEMENT_SERIAL(CCAddSysEx, CCAdd, 2 | CRuntimeClass::VersionableSchema)

CCAddSysEx::CCAddSysEx() = default;

CCAddSysEx::CCAddSysEx(ECBase* child, ECBase* parent, const FCMidi& data) {
    Add(child, parent, data);
}

CCAddSysEx::~CCAddSysEx() = default;

int CCAddSysEx::GetCommandId() const { return 9; }

CCAddItem* CCAddSysEx::Add(ECBase* child, ECBase* parent, const FCMidi& data) {
    if (child == nullptr || parent == nullptr) {
        return nullptr;
    }
    return m_items.Append(std::make_unique<CCAddSysExItem>(child, parent, data));
}

} // namespace clavenor
