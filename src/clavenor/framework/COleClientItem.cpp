#include "clavenor/framework/COleClientItem.h"

#include "clavenor/framework/CArchive.h"

namespace clavenor {

IMPLEMENT_SERIAL(COleClientItem, CObject, 2 | CRuntimeClass::VersionableSchema)

COleClientItem::~COleClientItem() = default;

void COleClientItem::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteString(m_data);
        return;
    }
    m_data = ar.ReadString();
}

void COleClientItem::Delete() { delete this; }

} // namespace clavenor
