#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/framework/POSITION.h"
#include "clavenor/model/MCPtrList.h"
#include "clavenor/model/MCTime.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace clavenor {

/// Answers, for a fixed number of independent slots, which object is in effect at a time: an
/// object placed in a slot at time T stays in effect until another object is placed in the
/// same slot at a later time.
///
/// The cache keeps a list of cache points in ascending time order, each holding every slot's
/// object from its time until the next point's time, and a cursor on the point last found,
/// so that successive queries at nearby times walk few points. Invariants: the first point is
/// at time zero, no two points share a time, and every point has GetSize() slots.
///
/// Objects are untyped; the cache neither owns nor references them. Whoever caches an object
/// uncaches it (or deletes the cache) before destroying it.
///
/// Every public operation refuses a time before zero or NaN, and a bar/pulse/tick time (which
/// has no order against the points' times), with 0, null or no effect, and likewise a slot
/// outside 0..GetSize()-1. Queries are not const: they move the cursor, and the first query on
/// an empty cache creates the time-zero point with every slot empty.
///
/// Costs: proportional to the number of points between the cursor and the point sought, and
/// for changes to the number of following points that held the replaced object.
///
/// Allocation failure throws std::bad_alloc and leaves the cache as it was. A cache is used
/// by one thread at a time.
class CLAVENOR_API MCCache {
public:
    /// What a subclass keeps beside a point's slots; the point owns it and releases it with
    /// DeleteAuxPointer. No operation of MCCache creates one.
    struct AuxRecord {
        virtual ~AuxRecord();
    };

    /// A cache with no slots (which refuses every slot until SetSize) or `size` slots; a
    /// negative size counts as 0.
    ///@{
    MCCache();
    explicit MCCache(std::int32_t size);
    ///@}

    /// Deletes every point. Aux records are released with MCCache's DeleteAuxPointer, since
    /// the subclass is already gone: a subclass that overrides it deletes the cache in its own
    /// destructor.
    virtual ~MCCache();

    MCCache(const MCCache&) = delete;
    MCCache& operator=(const MCCache&) = delete;

    /// When n > 0, gives every point n slots (added slots empty, dropped slots forgotten) and
    /// makes n the size; n <= 0 changes nothing.
    void SetSize(std::int32_t n);
    /// The number of slots each point has.
    std::int32_t GetSize() const { return m_nSize; }

    /// Places `object` in `slot` from `time` on, up to the next point where the slot held
    /// something other than what it held at `time`. Reuses a point at exactly `time`, else
    /// inserts one. Returns 1 (also when the object was already there), 0 when refused.
    int CacheObject(void* object, const MCTime& time, std::int32_t slot);

    /// Withdraws `object`, placed at exactly `time`, from `slot`: from `time` on, up to the
    /// next point where the slot holds something else, the slot holds what it held before
    /// `time` (empty at time zero). The point at `time` goes when it no longer differs from
    /// the one before. Returns 1, or 0 (changing nothing) when no point starts at `time` or
    /// its slot does not hold `object`.
    int UncacheObject(void* object, const MCTime& time, std::int32_t slot);

    /// 1 when some point holds `object` in `slot`, or in any slot when `slot` is -1.
    /// Does not move the cursor.
    int ObjectIsCached(const void* object, std::int32_t slot) const;

    /// The object in effect at `time`, or null (empty slot, or refused).
    void* GetObjectForTime(const MCTime& time, std::int32_t slot);

    /// The object in effect just before `time`: at a point's own time, the previous point's
    /// object. At time zero, the object at time zero.
    void* GetObjectBeforeTime(const MCTime& time, std::int32_t slot);

    /// The range [start, end) over which `object`, in effect at `time`, stays in effect in
    /// `slot`; `end` is MCTime::TimeMax() when nothing follows it. Both are
    /// MCTime::TimeNull() when refused or when `object` is not in effect at `time`.
    void GetObjectScope(const void* object, const MCTime& time, std::int32_t slot, MCTime& start,
                        MCTime& end);

    /// Removes every point, releasing their aux records.
    void DeleteCache();

    /// Removes every point after the one in effect at `time`, releasing their aux records.
    void DeleteCacheAfter(const MCTime& time);

protected:
    /// One point of the timeline: from `time` on, until the next point, slot i holds
    /// objects[i] (null: empty); `aux` is the subclass's record for the point, owned by it.
    struct CachePoint {
        ///@{
        /// See CachePoint.
        MCTime time;
        std::vector<void*> objects;
        AuxRecord* aux = nullptr;
        ///@}
    };

    /// Whether `point` (at `position` in the list) lies at or before `time`: the rule that
    /// every search follows. The base rule is time >= the point's time.
    virtual int SearchCondition(const MCTime& time, const CachePoint* point, POSITION position);

    /// Releases a point's aux record; the base deletes it.
    virtual void DeleteAuxPointer(AuxRecord* aux);

    /// The point in effect at `time`, which becomes the cursor; times at or before zero give
    /// the first point. Creates the time-zero point when the cache is empty; null only when
    /// the cache has no slots. Does not refuse any time.
    CachePoint* GetCachePointForTime(const MCTime& time);

    /// The point in effect at `time`, or the one before it when it starts exactly at `time`
    /// (the cursor stays on the later one).
    CachePoint* GetCachePointBeforeTime(const MCTime& time);

    /// A point at `time` that is not in the list, with the slots of `copyFrom` or empty ones
    /// and no aux record; null when the cache has no slots.
    std::unique_ptr<CachePoint> GetNewCachePoint(const MCTime& time, const CachePoint* copyFrom);

    /// Gives this empty cache a copy of every point of `from` (times and slots; no aux
    /// records, which only their subclass could copy), so that it answers as `from` does.
    /// Throws std::bad_alloc with the points copied so far in place, which the cache's
    /// destructor releases. Cost: O(points x slots).
    void CopyPoints(const MCCache& from);

    /// Gives `slot` of the points after the cursor the cursor point's object, as long as
    /// they hold `oldObject`: ends the reign of `oldObject` that the cursor point's change
    /// would otherwise leave standing.
    void UpdateListPointers(const void* oldObject, std::int32_t slot);

    /// The points, in time order (items are CachePoint*), and the cursor.
    ///@{
    const MCPtrList& GetPoints() const { return m_points; }
    CachePoint* GetCurrentPoint() const { return m_pCurrent; }
    POSITION GetCurrentPosition() const { return m_currentPos; }
    ///@}

private:
    bool IsValidSlot(std::int32_t slot) const { return slot >= 0 && slot < m_nSize; }
    // Bar/pulse/tick times are refused explicitly: one at or after bar 0 compares as "at or
    // after zero", yet is ordered against no point's time, and would break the time order.
    static bool IsValidTime(const MCTime& time) {
        return time.GetMode() != MCTime::ModeBarPulseTick && time >= MCTime::TimeZero();
    }
    static CachePoint* PointAt(const MCPtrList& points, POSITION pos) {
        return static_cast<CachePoint*>(points.GetAt(pos));
    }
    void SetCurrent(POSITION pos);
    void ReleasePoint(CachePoint* point);

    std::int32_t m_nSize = 0;
    MCPtrList m_points{10};
    CachePoint* m_pCurrent = nullptr;
    POSITION m_currentPos = nullptr;
};

} // namespace clavenor
