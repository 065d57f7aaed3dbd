#pragma once

#include "clavenor/framework/CArray.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/MCTime.h"

#include <vector>

namespace clavenor {

class CCAddTrack;
class CCRemoveTrack;
class ECConductorStaff;
class ECMeasure;
class ECMeter;
class ECPerformance;
class ECStaff;
class ECTempo;
class ECTrack;
class ECWaveTrack;

/// The single child of a performance that carries the document's timeline and its tracks
/// (event id 15; allowed parent: the performance). It is the front door through which
/// commands and the host ask which measure lies at a time, which meter or tempo is in force,
/// and which track has a number, and through which tracks are inserted, removed and
/// numbered.
///
/// Track kinds and numbers: kind 0 is the conductor staff (track 0), kind 1 the staves
/// (numbered 1 to n by the conductor staff's staff table), kind 2 the wave tracks (numbered
/// 1 to n here, apart from the staves). Children: the conductor staff, the staves and the
/// wave tracks, in that order after every track insertion, and other elements that name the
/// conductor as parent.
///
/// Almost every query goes to the conductor staff (ECConductorStaff), which the conductor
/// creates on first use, and meter and tempo queries to its meter and tempo maps. What is
/// created on first use enters through a synchronous command applied to the performance
/// (see MCStructureCommands), so every query may run a command; without a performance
/// nothing is created and the queries answer null, 0 or -1.
///
/// Archive record: the ECWithChild record, then an object reference to the conductor staff.
/// A loaded reference is kept only when it names a conductor staff among the children
/// (documents written before conductor staves existed name none, or a plain staff). After
/// loading, the wave tracks are numbered by the track numbers they carry, in child order
/// among equal numbers.
///
/// Elements are used by one thread at a time; none of these operations is undoable by
/// itself (the commands that call them are).
class CLAVENOR_API ECConductor : public ECWithChild {
    DECLARE_SERIAL(ECConductor)

public:
    ///@{
    /// The track kinds of the track queries (see the class comment).
    static constexpr int KindConductorStaff = 0;
    static constexpr int KindStaff = 1;
    static constexpr int KindWaveTrack = 2;
    ///@}

    ECConductor() = default;
    /// Copies the ECWithChild part: a copy has no children, so no tracks and no tables.
    ECConductor(const ECConductor& other);
    ~ECConductor() override;

    /// Copies only the ECWithChild part.
    ECConductor& operator=(const ECConductor& other);

    void Serialize(CArchive& ar) override;
    /// Loading notes that the fix-up pass reached this conductor from the document root, so
    /// that the conductor staff may trust it with its staff table.
    void PostSerialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// Adds as ECWithChild does (0 when refused); a staff or wave track then reorders the
    /// tracks (OrderTracks(0)); the first conductor staff added becomes the conductor staff.
    /// Without memory for the reordering the child is taken back and 0 is returned.
    [[nodiscard]] int AddChild(ECBase* child, int sorted) override;
    /// Removes as ECWithChild does (0 when `child` is not a child). A staff of the staff
    /// table or a wave track of the wave-track table leaves its table first (later tracks
    /// move one number back), and the conductor staff its tables, so that no table names a
    /// track the conductor has let go.
    [[nodiscard]] int RemoveChild(ECBase* child, int deep) override;
    int RemoveChildren(int deep) override;
    /// Takes back an AddChild as a shallow RemoveChild does: nothing below a conductor dissolves,
    /// so that is exactly the link and the table entries AddChild made.
    [[nodiscard]] int UnlinkChild(ECBase* child) override;

    /// The nearest ancestor with event id 44, remembered while it stays a parent.
    ECPerformance* GetPerformance();

    /// The conductor staff: the one this conductor has, else a conductor staff among its
    /// children, else a new one inserted by a synchronous command (voice 14, track 0, time
    /// 0). Null when none can be made.
    ECConductorStaff* GetConductorStaff();

    // Tracks.

    /// Kind 0: 1; kind 1: the number of staves; kind 2: the number of wave tracks; other
    /// kinds 0.
    int GetMaxTrackNumber(int kind);
    /// Kind 0: 0; kind 1: the staff's number (-1 when it has none); kind 2: the wave track's
    /// number (-1 when it has none); other kinds 0.
    int GetTrackNumber(int kind, ECTrack* track);
    /// Kind 0: the conductor staff; kind 1: ECConductorStaff::GetStaff(number, create); kind
    /// 2: GetWaveTrack(number, create); other kinds null.
    ECTrack* GetTrack(int kind, int number, int create);
    /// The track of the voice/track word, which a conductor has none of (2047).
    using ECWithChild::GetTrack;

    /// Orders the children: the staves in number order take the places the tracks hold in
    /// the list, then the wave tracks in number order, then those that have no number; then the
    /// children are sorted by time (tracks all start at 0, so this order stays among them). With
    /// `orderStaves` non-zero the staff table is first ordered by the staves' track numbers.
    /// Nothing happens without a conductor staff. Throws std::bad_alloc, with the order (the
    /// staff table's too) unchanged, when it has no memory for the new order; needs none
    /// after a ReserveTrackOrder that counted every child it has then.
    void OrderTracks(int orderStaves);
    /// Gives `track`, a child again after RemoveChild took it out of the wave-track table,
    /// its number back (1 to the count + 1; the later tracks move up one), without ordering
    /// the children: for a caller that puts the link back where it stood and must take the
    /// removal back exactly. Needs no memory while the table keeps the room the removal
    /// left, as it does. Returns 0, changing nothing, when the track is not a child, has a
    /// number, the number is out of range or no memory is left.
    int ReturnWaveTrack(ECWaveTrack* track, int number);
    /// Sets aside the room OrderTracks works in for the children the conductor has and
    /// `extra` more, so that ordering them, or them and up to `extra` added tracks, needs no
    /// memory; a caller that must not fail halfway reserves before its first change. The
    /// room stays until the conductor goes. Throws std::bad_alloc, changing nothing.
    void ReserveTrackOrder(int extra);

    // The timeline. Each query makes sure the conductor staff exists.

    ///@{
    /// The conductor staff's answers (see ECConductorStaff); when no conductor staff can be
    /// made, 0, time zero, null, or 0 with `measures` emptied. Creating the conductor staff
    /// on first use goes through a synchronous command, so even these queries may change
    /// the document and call the host's handlers once.
    int GetMaxMeasureNumber();
    MCTime GetMaxMeasureEndTime();
    int GetMeasureNumberAtTime(const MCTime& time);
    int GetMeasureNumberBeforeTime(const MCTime& time);
    ECMeasure* GetMeasure(int track, const MCTime& time, int extend, int count);
    ECMeasure* GetMeasure(int track, int number);
    int GetMeasures(int track, const MCTime& start, const MCTime& end, MCEventList& measures);
    int GetMeasures(int track, int first, int last, MCEventList& measures);
    ///@}

    ///@{
    /// The tempo mark in force at `time` (one starting exactly there included), or the last
    /// one starting strictly before it; null when there is none. The map is made on first
    /// use (see ECConductorStaff::GetTempoEnv). Cost: an envelope point query.
    ECTempo* GetTempoAtTime(const MCTime& time);
    ECTempo* GetTempoBeforeTime(const MCTime& time);
    ///@}
    ///@{
    /// The same for meters.
    ECMeter* GetMeterAtTime(const MCTime& time);
    ECMeter* GetMeterBeforeTime(const MCTime& time);
    ///@}
    /// The span [start, end) a meter governs: from its time to the next meter's, or to the
    /// end of the last measure. Both MCTime::TimeNull() when the meter is not in the map.
    void GetMeterScope(ECMeter* meter, MCTime& start, MCTime& end);

protected:
    friend class CCAddTrack;
    friend class CCRemoveTrack;
    friend class ECConductorStaff;

    /// Inserts a track: a conductor staff becomes a child (0, or -1 when refused); a staff
    /// goes to ECConductorStaff::InsertStaff, a wave track to InsertWaveTrack (their number,
    /// or -1); anything else -1.
    int InsertTrack(ECTrack* track, int number);
    /// Removes a staff (ECConductorStaff::RemoveStaff) or a wave track (RemoveWaveTrack);
    /// anything else is ignored.
    void RemoveTrack(ECTrack* track);

    /// The 1-based number of a wave track, or -1.
    int GetWaveTrackNumber(ECWaveTrack* track) const;
    /// The wave track with `number` (1 to the count). Another number gives null, or, with
    /// `create` non-zero, a new wave track appended after the last one by a synchronous
    /// command (null when it could not be added).
    ECWaveTrack* GetWaveTrack(int number, int create);
    /// Inserts `track` at `index` (negative or past the end: after the last one), stores
    /// number index + 1 in it and makes it a child. Returns the index, or -1 when the track
    /// could not become a child (it leaves the table again unless it already was one). The
    /// numbers stored in later wave tracks stay as they are.
    int InsertWaveTrack(ECWaveTrack* track, int index);
    /// Takes a wave track of the table out of it and out of the children.
    void RemoveWaveTrack(ECWaveTrack* track);
    /// Numbers the wave tracks among the children by the track numbers they carry (tracks
    /// with equal numbers in child order).
    void BuildWaveTrackArray();

private:
    // The remembered conductor staff while it is still a child, else null (and forgotten).
    ECConductorStaff* HeldConductorStaff();
    // Lets the conductor staff go, with its staff table and measure map.
    void ForgetConductorStaff();
    // Lets the conductor staff and the wave-track table go (the children are going).
    void ReleaseTables();

    ECPerformance* m_pPerformance = nullptr;
    ECConductorStaff* m_pConductorStaff = nullptr;
    CArray<ECWaveTrack*, ECWaveTrack*> m_waveTracks;
    // Whether the fix-up pass of a load reached this conductor.
    bool m_bFixedUp = false;
    // While the command that inserts a new conductor staff runs.
    bool m_bMakingStaff = false;
    // The room OrderTracks works in (ReserveTrackOrder); empty between calls.
    std::vector<ECBase*> m_orderRest;
    std::vector<ECBase*> m_orderTracks;
};

} // namespace clavenor
