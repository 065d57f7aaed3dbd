#pragma once

#include "clavenor/caches/MCCache.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class ECBase;
class MCEventList;

/// The clef and key cache of a staff: which clef and which key signature are in force at a
/// time, for each of the staff's two hands. Slots: 0 the clef of hand 0, 1 the clef of the
/// other hand, 2 the key of hand 0, 3 the key of the other hand.
///
/// Clefs (event id 14) and keys (29) are the cache events; the hand of one is bit 15 of its
/// flag word. One clef (key) per hand and time: a second one at a time already taken is
/// refused. The cache neither owns nor references what it holds: whoever caches an element
/// uncaches it (or rebuilds the cache) before the element goes. Costs as for MCCache.
class CLAVENOR_API MCStaffCache : public MCCache {
public:
    ///@{
    /// The two kinds of element the cache takes, as GetCacheListPosition is asked for them.
    static constexpr int KindClef = 5;
    static constexpr int KindKey = 6;
    ///@}
    /// A clef and a key slot for each of the two hands.
    static constexpr std::int32_t Slots = 4;

    MCStaffCache();
    ~MCStaffCache() override;

    /// 1 for clefs and keys.
    static int IsCacheEvent(ECBase* element);
    /// The hand an element names (bit 15 of its flag word).
    static std::uint8_t GetHand(ECBase* element);
    /// The slot of a kind (5 clef, 6 key) and hand; -1 for any other kind.
    static int GetCacheListPosition(int kind, int hand);
    /// The slot of a clef or key for `hand`; -1 for any other element.
    static int GetCacheListPosition(ECBase* element, int hand);

    /// Places a clef or key, from its time on, in its slot for `hand`. Refused (0) for an
    /// element without a time or of another kind, and when the slot already holds an element
    /// at exactly that time (or one without a time) there.
    int CacheEvent(ECBase* element, std::uint8_t hand);
    /// Withdraws a clef or key placed at its time; 0 when it is not there.
    int UncacheEvent(ECBase* element, std::uint8_t hand);
    /// Withdraws a clef or key from every slot and time where it is in force, whatever its
    /// hand and time are now (a caller may have changed either in place since it was
    /// cached); 1 when it was cached. What leaves a staff goes through here, so that the
    /// cache never keeps an element that may be destroyed. Needs no memory. Cost: at once
    /// for an element cached with its present time and hand, plus a walk of the points.
    int ForgetEvent(ECBase* element);
    /// 1 when the element is in some slot.
    int EventIsCached(ECBase* element) const;

    /// The clef or key in force at (just before) a time for a hand, or null.
    ///@{
    ECBase* GetClefAtTime(const MCTime& time, std::uint8_t hand);
    ECBase* GetClefBeforeTime(const MCTime& time, std::uint8_t hand);
    ECBase* GetKeyAtTime(const MCTime& time, std::uint8_t hand);
    ECBase* GetKeyBeforeTime(const MCTime& time, std::uint8_t hand);
    ///@}

    /// The range over which a cached clef or key stays in force; left alone for an element
    /// without a time.
    ///@{
    void GetClefScope(ECBase* clef, MCTime& start, MCTime& end, std::uint8_t hand);
    void GetKeyScope(ECBase* key, MCTime& start, MCTime& end, std::uint8_t hand);
    ///@}

    /// A cache that answers every query as this one does now, for a caller that must put
    /// this state back later without memory (ECStaff::ExchangeCache). Throws std::bad_alloc.
    /// Cost: O(points), against BuildCache's walk of the whole staff.
    std::unique_ptr<MCStaffCache> Clone() const;

    /// Empties the cache, then caches every clef and key of `elements` in list order with
    /// its own hand; what is refused (a second one at a taken time) is left out.
    void BuildCache(MCEventList& elements);

    /// Moves the cursor to the point in force at `time`.
    void ResetCurrentPosition(const MCTime& time);

private:
    void GetScope(ECBase* element, MCTime& start, MCTime& end, std::uint8_t hand);
};

} // namespace clavenor
