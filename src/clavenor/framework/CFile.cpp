#include "clavenor/framework/CFile.h"

namespace clavenor {

CFile::~CFile() = default;

void CFile::Flush() {}

void CFile::Close() {}

} // namespace clavenor
