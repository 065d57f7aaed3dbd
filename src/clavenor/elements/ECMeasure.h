#pragma once

#include "clavenor/model/ECWithTimeChild.h"

namespace clavenor {

class ECStaff;

/// One measure of one staff (event id 32; allowed parent: the staff): the container of
/// everything the staff holds in that measure, chords, notes and rests among them. A
/// measure starts on voice 14 (the voice of structural elements) and track 2047
/// (unnumbered); its time stays unset until the staff places it.
///
/// Clefs and keys (event ids 14 and 29) that become children of a measure are cached in the
/// nearest staff above it for their hand (ECStaff::CacheEvent), and uncached before they
/// leave; a measure not under a staff leaves that to the staff's rebuild.
///
/// Its archive record is the ECWithTimeChild record, nothing more.
class ECMeasure : public ECWithTimeChild {
    DECLARE_SERIAL(ECMeasure)

public:
    ECMeasure();
    /// Copies the time and the voice/track; the children list starts empty.
    ECMeasure(const ECMeasure& other) = default;
    ~ECMeasure() override;

    /// Copies the voice/track, not the time, nothing of the children.
    ECMeasure& operator=(const ECMeasure& other) = default;

    /// Identity: two measures at the same time on the same track are still two measures.
    bool operator==(const ECMeasure& other) const { return this == &other; }
    bool operator!=(const ECMeasure& other) const { return this != &other; }

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds as ECWithChild does (0 when refused), then caches a clef or key in the staff.
    int AddChild(ECBase* child, int sorted) override;
    /// Uncaches a clef or key child from the staff, then removes as ECWithChild does.
    int RemoveChild(ECBase* child, int deep) override;
    /// Uncaches every clef and key child, then removes every child as ECWithChild does.
    int RemoveChildren(int deep) override;

private:
    // The staff that caches this measure's clefs and keys, or null.
    ECStaff* GetCachingStaff();
};

} // namespace clavenor
