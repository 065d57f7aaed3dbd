#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

namespace clavenor {

class ECStaff;

/// One measure of one staff (event id 32; allowed parent: the staff): the container of
/// everything the staff holds in that measure: chords, notes and rests, tuplets and beams,
/// clefs and keys, repeats, lyrics, chord symbols and mirrors. A measure starts on voice 14
/// (the voice of structural elements) and track 2047 (unnumbered); its time stays unset
/// until the staff places it. The conductor staff aligns the measures of all staves through
/// its measure map; ECConductorMeasure is the measure of track 0.
///
/// The measure keeps its staff's clef and key cache in step: a clef or key (event ids 14 and
/// 29) that becomes its child is cached in the staff the measure is a child of, under the
/// clef's or key's hand, and one that leaves is taken out of the cache first. A measure that
/// is not (yet) a child of a staff leaves that to the staff, which caches the measure's
/// clefs and keys when the measure comes under it (ECStaff::AddChild) and when it rebuilds
/// its cache.
///
/// Its archive record is the ECWithTimeChild record, nothing more: documents written before
/// the measure kept the cache load as they are.
class CLAVENOR_API ECMeasure : public ECWithTimeChild {
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
    /// The negation of ==.
    bool operator!=(const ECMeasure& other) const { return this != &other; }

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds as ECWithChild does (0 when refused), then caches a clef or key in the staff.
    /// When the cache has no memory for it the child is taken back and 0 is returned.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;
    /// Takes a clef or key child out of the staff's cache, then removes as ECWithChild does.
    /// Needs no memory.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    /// Takes back an AddChild as a shallow RemoveChild does: nothing below a measure dissolves,
    /// so that is exactly the link and the table entries AddChild made.
    [[nodiscard]] int UnlinkChild(ECBase* child) override;
    /// Takes every clef and key child out of the staff's cache, then removes every child as
    /// ECWithChild does (from the tail toward the head). Returns 1. Needs no memory.
    int RemoveChildren(int deep) override;
};

} // namespace clavenor
