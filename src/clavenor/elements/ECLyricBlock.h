#pragma once

#include "clavenor/elements/ECLyric.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// A block of lyrics kept with the document rather than under a measure (event id 31;
/// allowed parent: performance, 44). Otherwise a lyric: it copies, compares and archives as
/// ECLyric.
class CLAVENOR_API ECLyricBlock : public ECLyric {
    DECLARE_SERIAL(ECLyricBlock)

public:
    ECLyricBlock() = default;
    /// As ECLyric(text).
    explicit ECLyricBlock(const CString& text) : ECLyric(text) {}
    /// As the ECLyric copy.
    ECLyricBlock(const ECLyricBlock& other) = default;
    ~ECLyricBlock() override;
    /// The base class's assignment (see there for what it leaves out), then this class's
    /// own members.
    ECLyricBlock& operator=(const ECLyricBlock& other) = default;

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;
};

} // namespace clavenor
