#pragma once

#include "clavenor/commands/detail/MCTrackWords.h"
#include "clavenor/model/MCEventList.h"
#include "clavenor/model/MCTime.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace clavenor {

class ECBase;
class ECConductor;
class ECConductorStaff;
class ECMeasure;
class ECStaff;
class ECWaveTrack;
class MCGroup;
class MCStaffCache;

/// What removing an element changes around it, chords and tuplets included, which take
/// themselves apart on their own account: a chord or tuplet that leaves puts its members into
/// the measure, a chord that loses its last note lets go of its marks and leaves its parents,
/// and a tuplet that loses its last member leaves its own. The record keeps, for each removal
/// it is given, every list around those elements as it was (the element, the chords and
/// tuplets it leaves or may dissolve, and their members: their parents and children, in
/// order, and where each stood among the children of a parent outside that set), so that a
/// failed batch can put it all back exactly: the same links, the same list orders, the same
/// bytes. Only elements whose parents keep nothing over their children but the list, or what
/// they compute from it, are recorded: what sits in measures, chords, tuplets, notes, groups,
/// staves, tracks and envelopes of every kind (points, tempo marks, meters; Reorder has the
/// tempo and meter maps compute their clock and bar times and pause values again), the
/// conductor's wave tracks, plain tracks and staves (Reorder gives a wave track its number
/// back, and a staff its tables, see below), the conductor staff's tempo and meter maps
/// (Reorder has the staff name them again) and its conductor measures (whose removal leaves
/// the measure map as it is).
///
/// A staff of the staff table leaves more than a list: its slot in the staff table, in the
/// table of every conductor measure and in the group table, and every later staff moves one
/// number back with all it holds (ECConductorStaff). Take keeps its slot and the measure each
/// conductor measure named for it, which Reorder gives back (ECConductorStaff::ReturnStaff);
/// Reserve keeps a copy of the group table and the voice/track words under every staff a
/// removal moves (MCTrackWords, at a cost in what those staves hold), which go back with the
/// first staff removal, the last one taken back. Only the staves of one staff table are
/// recorded so, that of the first numbered staff among the elements (a document has one).
///
/// Clefs and keys, and measures holding them, also leave the cache of the staff that tracks
/// them: Reserve keeps a copy of each such staff's cache as it was (at a cost in the points
/// of the cache, which is what taking a clef out of it costs anyway), and RestoreCaches puts
/// it back in place, so that the staff answers as before (a pointer a host took from
/// ECStaff::GetCache before then is no longer valid). The copies stay until Clear, with the
/// rest of the record. A removal of the first mark of a tempo map moves the next one to time
/// zero: Reorder gives it its time back.
///
/// Links to groups (ties, slurs, beams) are left out: the removal command's own group
/// bookkeeping brings them back where they stood, and Reorder only puts them in order. A
/// removed group itself is not recorded either: the removal command notes the parents it
/// leaves, with its place among their children and its members' places only when leaving
/// may make it let go of them, so that removing a long line costs what a short one does
/// (recording its lists here would cost its members). A group that may let go of its
/// members or leave its parents (ECGroup::KeepsMembersWithout) has its lists recorded whole,
/// and its place among its parent's children; of one that surely keeps them nothing is
/// recorded, so that what a removal records and sets aside does not grow with the groups it
/// leaves.
///
/// Memory is set aside up front (Reserve): recording and restoring need none, since the list
/// nodes a restore links with (none for group links) were made then. Everything recorded is
/// held by reference, so nothing the removal lets go of is freed while the record could put
/// it back.
///
/// Used on the owning thread, inside the removal command's batch.
class MCRemovalRecord {
public:
    MCRemovalRecord();
    /// Clear().
    ~MCRemovalRecord();
    MCRemovalRecord(const MCRemovalRecord&) = delete;
    MCRemovalRecord& operator=(const MCRemovalRecord&) = delete;

    /// Forgets what was recorded, then sets aside the room Take needs for removing
    /// `elements` in their order (null entries are skipped), measured on the document as it
    /// is now, which the removals only take apart. Throws std::bad_alloc, with nothing
    /// recorded; the document is not touched.
    void Reserve(const std::vector<ECBase*>& elements);

    /// Records, as removal `index` (the position of its element in Reserve's list), the
    /// lists around `element` that its removal may change, right before it. Only elements
    /// that qualified when Reserve looked are recorded (see the class comment; groups never:
    /// the removal command's bookkeeping covers them). Needs no memory: what does not fit the room
    /// set aside is not recorded.
    void Take(std::size_t index, ECBase* element);

    /// Whether removal `index` was recorded and not yet reordered.
    bool Holds(std::size_t index) const;

    ///@{
    /// Take removal `index` back exactly, once the removals after it have been taken back:
    /// Relink makes the links the removal made go and those it broke (other than group
    /// links) come back near their places; then, with the group links linked again, Reorder
    /// gives every recorded list its order back and each element its place among the
    /// children of a parent outside the record, and the tables their entries (see the class
    /// comment), and forgets the removal. Need no memory. Do nothing for a removal not
    /// recorded.
    void Relink(std::size_t index);
    void Reorder(std::size_t index);
    ///@}

    /// Once every removal has been taken back (Relink and Reorder, or its parent's AddChild),
    /// gives each staff whose cache the removals changed its cache as Reserve found it, and
    /// forgets those copies. Needs no memory, except when a removal that changed a cache was
    /// not recorded: the staves then rebuild their caches from what they hold (all or
    /// nothing; short of memory, a cache misses the clefs and keys that came back).
    void RestoreCaches();

    /// Forgets everything and lets go of what the record holds. Needs no memory.
    void Clear();

private:
    // An element whose lists were recorded: its parents and, when it has a list of them, its
    // children, as ranges of m_links. A container (a chord or tuplet that leaves or may
    // dissolve, or a mark with children that a dissolving chord takes apart, and what is
    // below it) has its members recorded too; a group only has its lists put in order.
    struct Focus {
        ECBase* element;
        bool container;
        bool group;
        std::uint32_t firstParent;
        std::uint32_t parentCount;
        std::uint32_t firstChild;
        std::uint32_t childCount;
    };
    // Where `child` stood in the children of a `parent` outside the recorded set: after
    // `before` (null: at the head).
    struct Neighbour {
        ECBase* parent;
        ECBase* child;
        ECBase* before;
    };
    struct Removal {
        std::uint32_t firstFocus = 0;
        std::uint32_t focusCount = 0;
        std::uint32_t firstNeighbour = 0;
        std::uint32_t neighbourCount = 0;
        bool candidate = false; // the element qualified when Reserve looked
        bool held = false;
    };
    // What Reserve sets aside for one element.
    struct Room {
        std::size_t focus = 0;
        std::size_t links = 0;
        std::size_t neighbours = 0;
        // Links Relink may make again, each with two spare nodes: none to or from a group.
        std::size_t spares = 0;
    };
    // Reserve's view of the whole batch: how many elements its removals may take out of a
    // group at most, and whether each group asked keeps its members all the same.
    struct Verdicts {
        std::size_t leaving = 0;
        std::unordered_map<ECBase*, bool> verdicts;
    };

    static bool Qualifies(ECBase* element);
    // Appends to `focus` the elements around `element` whose lists its removal may change,
    // `element` first, with the groups that may let go of their members (with `batch`,
    // judged against the whole batch; without, against this removal alone). False when
    // `bounded` and the vector's capacity does not hold them.
    static bool Gather(ECBase* element, std::vector<Focus>& focus, bool bounded, Verdicts* batch);
    static Room Measure(const std::vector<Focus>& focus, std::size_t first);
    void Forget(std::size_t firstFocus, std::size_t firstLink, std::size_t firstNeighbour);

    const Focus* Find(const Removal& removal, ECBase* element) const;
    // The element before `element` in the recorded range, null at its head.
    ECBase* Before(std::uint32_t first, std::uint32_t count, ECBase* element) const;
    bool InRange(std::uint32_t first, std::uint32_t count, ECBase* element) const;
    ECBase* NeighbourBefore(const Removal& removal, ECBase* parent, ECBase* child) const;
    // Links `child` under `parent` with two spare nodes, after the given neighbours.
    void Link(ECBase* parent, ECBase* child, ECBase* childBefore, ECBase* parentBefore);
    // Writes the recorded range over `list` when the list holds exactly those elements.
    bool WriteOrder(MCEventList& list, std::uint32_t first, std::uint32_t count);
    void PlaceAmongNeighbours(const Removal& removal);

    // A staff's clef and key cache as it was before the removals.
    struct CacheCopy {
        ECStaff* staff;
        std::unique_ptr<MCStaffCache> cache;
    };
    // The mark after a removed head of a tempo map, with the time it had.
    struct Retime {
        std::size_t removal;
        ECBase* mark;
        MCTime time;
    };

    // A wave track that a removal took out of its conductor's numbering, with its number.
    struct Renumber {
        std::size_t removal;
        ECConductor* conductor;
        ECWaveTrack* track;
        int number;
    };
    // A staff that a removal took out of m_pStaffTable, with its slot and the measures the
    // conductor measures named for it (a range of m_staffMeasures, one per column).
    struct Restaff {
        std::size_t removal;
        ECStaff* staff;
        int number;
        std::size_t firstMeasure;
        std::size_t measureCount;
    };

    // Copies the caches that removing `element` changes (see TouchedStaff) and that no
    // earlier call copied. False when it changes one and does not qualify (`qualifies`), so
    // that a copy put back would not tell the whole story. Throws std::bad_alloc.
    bool CopyCaches(ECBase* element, bool qualifies);
    void Retimed(std::size_t index, ECBase* element);
    void Renumbered(std::size_t index, ECBase* element);
    void Restaffed(std::size_t index, ECBase* element);
    // Whether Reserve may record `element`, a candidate: a staff of another table than
    // m_pStaffTable may not, and the first numbered staff sets it. Adds the room a staff of
    // the table needs to `staves` and `measures`, and lowers `first` to its number.
    bool TakesStaff(ECBase* element, std::size_t& staves, std::size_t& measures, int& first);
    // Gives the group table and the voice/track words back as Reserve found them.
    void RestoreStaffTable();

    std::vector<Removal> m_removals;
    std::vector<Focus> m_focus;
    std::vector<ECBase*> m_links;
    std::vector<Neighbour> m_neighbours;
    // Nodes holding nothing, made by Reserve for the links Relink puts back.
    MCEventList m_spares;
    // The nodes of the links Relink took away, kept with their references until Clear.
    MCEventList m_parked;
    std::vector<CacheCopy> m_caches;
    // Whether putting the copies back is exact: every removal that changes a cache was
    // recorded.
    bool m_cachesExact = true;
    std::vector<Retime> m_retimes;
    std::vector<Renumber> m_renumbers;
    // The conductor staff whose staff table the recorded staves leave (held), with its
    // group table and the words under the staves the removals move, as Reserve found them.
    ECConductorStaff* m_pStaffTable = nullptr;
    std::unique_ptr<MCGroup> m_pGroupBefore;
    MCTrackWords m_wordsBefore;
    std::vector<Restaff> m_restaffs;
    std::vector<ECMeasure*> m_staffMeasures;
};

} // namespace clavenor
