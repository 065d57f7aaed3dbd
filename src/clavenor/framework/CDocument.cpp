#include "clavenor/framework/CDocument.h"

namespace clavenor {

IMPLEMENT_DYNAMIC(CDocument, CObject)

CDocument::CDocument() = default;

CDocument::~CDocument() = default;

} // namespace clavenor
