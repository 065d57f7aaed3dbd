#pragma once

#include "clavenor/actions/ACBase.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

class CArchive;

/// The fix-up pass after a document has been written or read: the host applies it to the
/// root with the same archive, after storing as well as after loading, because some elements
/// write and read part of their record only here (and its object references continue the
/// numbering of the main pass).
///
/// For each element visited it calls the element's PostSerialize and then that of every
/// attached data record. Beams, slurs and ties are not descended into (their children are
/// visited under their other parents); the default clip and bypass lists stay, so envelopes
/// are passed through without a call while their points get one.
class CLAVENOR_API ACPostSerialize : public ACBase {
public:
    /// `archive` must outlive the action.
    explicit ACPostSerialize(CArchive& archive);

    int DoAction(ECBase* element) override;

private:
    CArchive& m_archive;
};

} // namespace clavenor
