#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/elements/EVALUE.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace clavenor {

/// A time-ordered series of points that gives a control value at every time (event id 22;
/// allowed parents, in this order: conductor staff, staff, track, wave track). Its children
/// are its points (ECEnvPoint or derived), kept sorted and unique in time. The envelope
/// kinds (controller, pitch bend, pressure, patch, parameter numbers, and the meter and
/// tempo maps) derive from it.
///
/// Queries. Every point query answers what a plain scan over the sorted points answers:
/// before (the last point with time < t), before-or-equal (the last with time <= t),
/// after-or-equal (the first with time >= t) and after (the first with time > t). The
/// envelope remembers the position of its last answer and starts from there, so a query at
/// or next to the remembered point costs O(1) and any other O(log n) (through an index of
/// the points that the envelope keeps beside its child list; after loading, and after an
/// allocation failure, the first query far from the position rebuilds it in O(n)). Because
/// queries move the position and evaluations fill a cache, even the const-looking queries
/// change the envelope: one envelope is queried by one thread at a time.
///
/// Evaluation. GetValue at a time holds the value of the last point at or before it (step
/// style), or interpolates to the next point (linear style); before the first point it is
/// the default value. An integer-valued envelope rounds half away from zero and holds
/// through differences below 1. With clamping the result is limited to [lower, upper]. The
/// changed flag tells whether the result differs from the previous evaluation's, so that a
/// player sends only changes. GetValues samples a range into EVALUE records, emitting only
/// changes; successive calls with contiguous ranges continue seamlessly. Reset() makes the
/// next call start afresh (after a jump in time).
///
/// Times are compared as MCTime compares them and interpolated in their float form (quarter
/// notes); the answers above assume points with quarter-note or seconds times.
///
/// Anchor groups: lists of points that belong together (the start and end of a hairpin or
/// a held pedal), owned by the envelope; each holds a reference on its points, which stay
/// children of the envelope.
///
/// Archive record, after the ECWithTimeChild record (which holds the points): the default
/// value, the lower and the upper limit (three floats); the name and the comment (two
/// strings); the envelope flags (4 bytes: bit 0 enabled, bit 1 integer-valued); the minimum
/// delta time (an MCTime record); the anchor groups (a count, then each group as an
/// MCEventList object whose points are back-references). Loading refuses a child that is
/// not a point with CArchiveException(badClass) and repairs the rest. A group member that is
/// not one of this envelope's points is dropped (a group saved after its point left the
/// envelope names one); a group left empty stays, since the stream may refer back to it. A
/// null group, or one the stream gives by back-reference (it belongs to whoever read it
/// first), is skipped. Points before time zero or at a bar/pulse/tick time move to time
/// zero; then the points are sorted by time. Points that the stream gives one time are kept
/// (the queries still answer as the plain scan does).
///
/// Elements are used by one thread at a time. None of the operations is undoable or
/// notifies anyone; the commands that add and remove points are.
class CLAVENOR_API ECEnvelope : public ECWithTimeChild {
    DECLARE_SERIAL(ECEnvelope)

public:
    /// Envelope flag bit 0: the envelope plays (see IsEnabled).
    static constexpr std::uint32_t FlagEnabled = 0x01;
    /// Envelope flag bit 1: evaluations round to integers (see the class comment).
    static constexpr std::uint32_t FlagIntValued = 0x02;

    /// Default value 0, limits the most negative and the largest finite float, minimum
    /// delta time 0.05 quarter notes, enabled and integer-valued, no points.
    ECEnvelope();
    /// Copies what assignment copies, and the time; no points, no groups, a fresh cache.
    ECEnvelope(const ECEnvelope& other);
    /// Deletes the anchor groups (releasing their references), then the points go as
    /// every container's children do.
    ~ECEnvelope() override;

    /// Copies the voice/track, the default value, both limits, the minimum delta time, the
    /// name, the comment and the envelope flags; not the points, the anchor groups or the
    /// evaluation cache.
    ECEnvelope& operator=(const ECEnvelope& other);

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds a point in time order, whatever `sorted` says, so that the points stay sorted.
    /// A point before time zero is first moved to time zero (even when it is then refused).
    /// Refused (0, nothing else changes) for a null child, an element that is not a point,
    /// a point at a bar/pulse/tick time, a point that already is a child, a point at a time
    /// another point has, and when no memory is left. Resets the remembered position to the
    /// first point. Cost: O(1) for a point after every other; otherwise an O(log n) search
    /// and an O(n) move of the index.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;

    /// Detaches a point as ECWithChild::RemoveChild does (it stays in any anchor group that
    /// holds it) and resets the remembered position. Returns 0 when `child` is not a point
    /// of this envelope. Cost as for AddChild.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    /// Takes back an AddChild as a shallow RemoveChild does: nothing below a envelope dissolves,
    /// so that is exactly the link and the table entries AddChild made.
    [[nodiscard]] int UnlinkChild(ECBase* child) override;

    /// Detaches every point, then deletes every anchor group; resets the position.
    int RemoveChildren(int deep) override;

    /// Sets the remembered position to the first point (none without points).
    virtual void UpdateChildren();

    ///@{
    /// The value before the first point and of an envelope without points, stored as given.
    float GetDefaultValue() const { return m_fDefaultValue; }
    void SetDefaultValue(float value) { m_fDefaultValue = value; }
    ///@}
    ///@{
    /// The limits a clamped evaluation keeps to (see SetLimits).
    float GetLowerLimit() const { return m_fLowerLimit; }
    float GetUpperLimit() const { return m_fUpperLimit; }
    ///@}
    /// Stored as given; nothing checks that lower <= upper.
    void SetLimits(float lower, float upper);
    /// The sampling step of GetValues at resolution 1; the envelope's own, valid while it lives.
    const MCTime& GetMinDeltaTime() const { return m_minDeltaTime; }
    /// Stores `time`; below 0.005 quarter notes (or not comparable with it) it stores 0.005
    /// seconds instead, which GetValues reads as 0.005 all the same.
    void SetMinDeltaTime(const MCTime& time);
    ///@{
    /// The host's name and comment for the envelope, archived and otherwise unused; the
    /// getters return the envelope's own strings, valid until the next set.
    const CString& GetEnvelopeName() const { return m_name; }
    void SetEnvelopeName(const CString& name) { m_name = name; }
    const CString& GetEnvelopeComment() const { return m_comment; }
    void SetEnvelopeComment(const CString& comment) { m_comment = comment; }
    ///@}

    /// 1 when the enabled flag is set and the envelope has a point.
    int IsEnabled();
    /// Sets (non-zero) or clears the enabled flag; evaluation ignores it (players ask
    /// IsEnabled).
    void Enable(int enable);
    /// 1 when evaluations round to integers, else 0.
    int IntValued() const { return (m_nEnvFlags & FlagIntValued) != 0 ? 1 : 0; }
    /// Switching to integer values makes the cached integer the cached float + 0.5
    /// truncated; switching to floats makes the cached float the cached integer; setting the
    /// mode it has changes nothing.
    void SetIntValued(int intValued);
    /// The envelope flags (FlagEnabled, FlagIntValued) as archived.
    std::uint32_t GetEnvelopeFlags() const { return m_nEnvFlags; }

    /// Restores the evaluation cache (current style step, no last value, last evaluated
    /// and last sampled end time zero), so that the next evaluation reports a change and
    /// the next GetValues starts afresh.
    void Reset();

    /// The number of points. O(1).
    int GetPointCount() { return GetChildren()->GetCount(); }
    /// The point at zero-based `index`, or null outside 0..count-1. Does not move the
    /// position. Cost: O(1) with the index built, else a walk from the nearer end.
    ECEnvPoint* GetPointAtIndex(int index);
    /// The index of `point`, or -1 when it is not a point of this envelope.
    int GetIndexForPoint(ECEnvPoint* point);
    /// 1 for the first and the last point; 0 otherwise and without points.
    int IsEndPoint(ECEnvPoint* point);

    ///@{
    /// The point queries (see the class comment for their meaning and cost); null when
    /// there is no such point. GetPointAt answers the point exactly at `t`. Each moves the
    /// remembered position.
    ECEnvPoint* GetPointBefore(const MCTime& t);
    ECEnvPoint* GetPointBeforeEqual(const MCTime& t);
    ECEnvPoint* GetPointAt(const MCTime& t);
    ECEnvPoint* GetPointAfterEqual(const MCTime& t);
    ECEnvPoint* GetPointAfter(const MCTime& t);
    ///@}

    ///@{
    /// The zero-based index of the point the matching point query answers, or -1.
    /// GetIndexAt is kept for hosts written against it and answers -1 for every time.
    int GetIndexBefore(const MCTime& t);
    int GetIndexBeforeEqual(const MCTime& t);
    int GetIndexAt(const MCTime& t);
    int GetIndexAfterEqual(const MCTime& t);
    int GetIndexAfter(const MCTime& t);
    ///@}

    ///@{
    /// Appends (taking a reference on each) the points with from <= time < to, in time
    /// order; the anchor variants only the anchored points or the anchor heads among them.
    /// Returns 1 when anything was appended. The position ends on the last point walked.
    /// Cost: O(1) to find the start next to the position, then one step per point. When
    /// memory runs out, throws std::bad_alloc with `points` as it was before the call.
    int GetPointsInRange(const MCTime& from, const MCTime& to, MCEventList& points);
    int GetAnchorPointsInRange(const MCTime& from, const MCTime& to, MCEventList& points);
    int GetAnchorHeadPointsInRange(const MCTime& from, const MCTime& to, MCEventList& points);
    ///@}

    /// The first anchor group that holds `point`, or null.
    MCEventList* GetAnchorGroup(ECEnvPoint* point);
    /// Appends a new group holding the points of `points` (a reference on each). Refused
    /// (null) when the list is null or empty or holds an element that is not one of this
    /// envelope's points, or when no memory is left. Returns the new group, which the
    /// envelope owns.
    MCEventList* AddAnchorGroup(MCEventList* points);
    /// Removes and deletes `group` when it is one of this envelope's groups; returns 1 then,
    /// else 0.
    int RemoveAnchorGroup(MCEventList* group);
    /// The number of anchor groups. O(1).
    int GetAnchorGroupCount() const { return static_cast<int>(m_groups.size()); }
    /// The group at zero-based `index`, or null.
    MCEventList* GetAnchorGroupAt(int index) const;

    /// For an edit that must be taken back exactly: takes `group` out of the groups without
    /// deleting it and hands it over with the index it had; null (and `index` untouched)
    /// when it is not one of this envelope's groups. Needs no memory.
    std::unique_ptr<MCEventList> DetachAnchorGroup(MCEventList* group, int& index);
    /// Puts a detached group back at `index` (at the end when that is beyond it) and takes
    /// it: 1. Needs no memory when the group list has room (as it has for a group detached
    /// last); 0, the group left with the caller, when memory is short.
    int InsertAnchorGroup(int index, std::unique_ptr<MCEventList>& group);

    /// The value at `t` into `value`; with `clamp` non-zero limited to the limits. Returns
    /// the changed flag. Cost: a point query and O(1).
    int GetValue(const MCTime& t, float& value, int clamp);
    /// The value of `point` (finished as an evaluation at the point's time). A null point
    /// gives the default value.
    int GetValue(ECEnvPoint* point, float& value, int clamp);

    /// Samples [from, to) into `values`, appending a record for each change. The step is
    /// `resolution` times the minimum delta time, at least 0.002 quarter notes; linear
    /// segments are sampled at that step, held values give one record at their point. A
    /// call whose `from` is the previous call's `to` continues where that one stopped, so
    /// that a player pulling block after block gets what one call over the whole range
    /// gives, each record in the block of its time. A call that does not continue the last
    /// one starts afresh at `from`: a held value in force there is emitted at `from`, unless
    /// a point lies right there. Returns 1 when `values` is not empty afterwards. Times that
    /// are not finite quarter-note or seconds values are refused (0, nothing changes). Cost:
    /// O(points in the range + steps sampled), plus O(log n) to start after a jump. When
    /// memory runs out, throws std::bad_alloc with `values` and the evaluation cache as they
    /// were before the call, so that the same call can be made again.
    int GetValues(const MCTime& from, const MCTime& to, float resolution, CArray<EVALUE>& values,
                  int clamp);

protected:
    /// Drops the index and puts the remembered position on the first point: a parked or
    /// unparked point would leave both naming nodes that are elsewhere.
    void ChildrenRelinked() override;

private:
    /// The search modes of the point queries.
    enum class Seek { Before, BeforeEqual, AfterEqual, After };

    static ECEnvPoint* PointAt(const MCEventList* list, POSITION pos);
    static bool Qualifies(Seek mode, const MCTime& time, const MCTime& t);
    /// The node of the point `mode` finds for `t`, or null; moves the position.
    POSITION SeekNode(Seek mode, const MCTime& t);
    ECEnvPoint* SeekPoint(Seek mode, const MCTime& t);
    int SeekIndex(Seek mode, const MCTime& t);
    /// The number of leading points that lie before the answer's boundary for `mode`.
    std::size_t Partition(Seek mode, const MCTime& t) const;
    bool EnsureIndex();
    void DropIndex();
    int IndexOf(ECEnvPoint* point);
    bool IsOwnPoint(ECBase* element);
    int CollectRange(const MCTime& from, const MCTime& to, MCEventList& points,
                     int (ECEnvPoint::*filter)() const);
    /// GetValues without its rollback.
    int SampleValues(const MCTime& from, const MCTime& to, float resolution, CArray<EVALUE>& values,
                     int clamp);
    int Finish(float& value, const MCTime& t, ECEnvPoint* point, int clamp);
    void LoadAnchorGroups(CArchive& ar);
    void RepairLoadedPoints();

    POSITION m_posSearch = nullptr;
    float m_fDefaultValue = 0.0f;
    float m_fLowerLimit;
    float m_fUpperLimit;
    MCTime m_minDeltaTime;
    CString m_name;
    CString m_comment;
    int m_nCurStyle = ECEnvPoint::StyleStep;
    std::int32_t m_nLastInt;
    float m_fLastFloat;
    MCTime m_lastEvalTime;
    MCTime m_lastSampleEnd;
    std::vector<std::unique_ptr<MCEventList>> m_groups;
    std::uint32_t m_nEnvFlags = FlagEnabled | FlagIntValued;

    // The child list's nodes in order, for binary search and O(1) access by index. Valid
    // only while m_bIndexValid; every change of the child list keeps it or drops it.
    std::vector<POSITION> m_nodes;
    bool m_bIndexValid = true;
};

} // namespace clavenor
