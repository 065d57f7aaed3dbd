#pragma once

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCListTemplate.h"

namespace clavenor {

/// A list of objects of the object model, archivable ("MCObList", schema 1). The list does
/// not own its objects: removing or destroying it leaves them alone (MCEventList, which
/// derives from it, holds a reference on each element instead).
class CLAVENOR_API MCObList : public MCListTemplate<CObject*, CObject> {
    DECLARE_SERIAL(MCObList)

public:
    /// The plain walks, beside the class-filtered ones below.
    using MCListTemplate::GetNext;
    /// The plain walks, beside the class-filtered ones below.
    using MCListTemplate::GetPrev;

    /// An empty list. `blockSize` is accepted for the familiar signature and ignored: nodes
    /// are allocated one by one.
    explicit MCObList(int blockSize = 10);
    ~MCObList() override;

    ///@{
    /// The next (previous) object from `pos` on whose class is `cls` or derives from it;
    /// `pos` ends past (before) the node returned, or null when the list ends first. With a
    /// null `cls` these are the plain GetNext and GetPrev.
    CObject* GetNext(POSITION& pos, const CRuntimeClass* cls) const;
    CObject* GetPrev(POSITION& pos, const CRuntimeClass* cls) const;
    ///@}

    /// Storing: the count, then each object from head to tail as an object reference.
    /// Loading: appends each object read (of any class). The list's user owns the objects
    /// read, including those of a load that fails partway.
    void Serialize(CArchive& ar) override;
};

} // namespace clavenor
