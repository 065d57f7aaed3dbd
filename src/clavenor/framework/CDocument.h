#pragma once

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// The host's document object: whatever the host keeps around a performance (its file
/// name, its views). The library never calls it; it only carries the pointer the host gives
/// to the clipboard objects and to the archives they open, so that a plug-in's records can
/// find the document they are read into. Hosts derive their own document class from it.
class CLAVENOR_API CDocument : public CObject {
    DECLARE_DYNAMIC(CDocument)

public:
    CDocument();
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;
};

} // namespace clavenor
