#pragma once

#include "clavenor/framework/CArray.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

class CArchive;

/// One entry of a staff group table, a 32-bit word (archived as it stands): bits 0-7 the
/// first track, 8-15 the last track, 16-17 the kind (2 marks a single-track placeholder that
/// groups nothing), 18 in use, 19-26 the group id, 27 barlines through the whole group; bits
/// 28-31 stay 0. A default entry has every field 0 except barEntire, which is 1. Track
/// fields are 8 bits wide and wrap.
struct CLAVENOR_API tag_group {
    /// The kind of a single-track placeholder.
    static constexpr int KindPlaceholder = 2;

    /// The entry as archived.
    std::uint32_t word = BarEntireBit;

    ///@{
    /// The fields of `word` (above); a setter keeps the bits of its field of `v`.
    int GetFirst() const { return static_cast<int>(word & 0xFFu); }
    int GetLast() const { return static_cast<int>((word >> 8) & 0xFFu); }
    int GetKind() const { return static_cast<int>((word >> 16) & 0x3u); }
    int IsUsed() const { return static_cast<int>((word >> 18) & 0x1u); }
    int GetId() const { return static_cast<int>((word >> 19) & 0xFFu); }
    int IsBarEntire() const { return static_cast<int>((word >> 27) & 0x1u); }

    void SetFirst(int v) { Set(0, 0xFFu, v); }
    void SetLast(int v) { Set(8, 0xFFu, v); }
    void SetKind(int v) { Set(16, 0x3u, v); }
    void SetUsed(int v) { Set(18, 0x1u, v); }
    void SetId(int v) { Set(19, 0xFFu, v); }
    void SetBarEntire(int v) { Set(27, 0x1u, v); }
    ///@}

private:
    static constexpr std::uint32_t BarEntireBit = 1u << 27;
    void Set(int shift, std::uint32_t mask, int v) {
        word = (word & ~(mask << shift)) | ((static_cast<std::uint32_t>(v) & mask) << shift);
    }
};

/// How the staves of a score are grouped for display: which consecutive tracks share a
/// group, of which kind, whether barlines run through it, and how groups nest. The primary
/// table holds the outer groups; the secondary table the groups that nest inside a primary
/// group or coincide with one. In normal use every track is covered in each table, by a
/// group or by a placeholder of its own, so that entries name existing track positions.
/// Tracks are positions 0 to 255; group ids 0 to 255 are unique among the entries in use of
/// both tables.
///
/// The conductor staff owns one and keeps it in step as staves come and go. A plain value
/// with no lock; allocation failure throws std::bad_alloc.
class CLAVENOR_API MCGroup {
public:
    /// A group table: its entries in use, free entries among them.
    using Table = CArray<tag_group, const tag_group&>;

    /// Both tables empty.
    MCGroup() = default;

    /// A track has been inserted at `track` (its own placeholder, of `kind`, or a widened
    /// group around it): every later entry moves one track on.
    void InsertTrack(int track, int kind);
    /// The track at `track` has been removed: the group holding it narrows (a single-track
    /// entry goes) and every later entry moves one track back.
    void RemoveTrack(int track);

    /// Groups tracks `first` to `last` in the primary table when only placeholders, or (for
    /// any kind but 1) only whole groups, lie in the way; in the secondary table when the
    /// range lies inside a primary group or (kind 1) equals one. Returns 1 and the new id (an
    /// id is left alone when the table had no free entry to record it), or 0, changing
    /// nothing, for `last` < `first` and for a range that straddles a group's edge.
    int GroupTracks(int first, int last, std::uint8_t kind, int& id);

    /// Removes the group with `id` (a primary group with the secondary groups inside it, its
    /// tracks getting their placeholders back); 1, or 0 when no group has the id.
    int RemoveGroup(int id);
    /// Frees every entry (they go at the next clean-up).
    void RemoveAll();

    /// 1 and the group's range and kind when an entry in use has `id` (primary table first),
    /// else 0 with the outputs untouched.
    int GetGroupInfo(int id, int& first, int& last, int& kind) const;
    /// Sets or reads the barEntire bit of the group with `id` (primary table first); the
    /// reader answers 0 when no group has the id.
    ///@{
    void SetBarEntireGroup(int id, int flag);
    int IsBarEntireGroup(int id) const;
    ///@}

    ///@{
    /// The tables themselves, for the archive and for callers that read them; a change made
    /// through them keeps none of the rules above.
    Table& GetPrimaryGroup() { return m_primary; }
    Table& GetSecondaryGroup() { return m_secondary; }
    ///@}

    /// Writes or reads both tables: a count and the raw words of each, free entries
    /// included. Documents of `version` below 3 had no ids and no barEntire bit: every loaded
    /// entry then gets barEntire 1 and its position as id (the secondary table counting on
    /// from the primary's size), modulo 256. Throws CArchiveException.
    void Serialize(CArchive& ar, std::int32_t version);

protected:
    /// How the range first..last lies against the entries in use of `table`: 4 when no group
    /// but placeholders overlaps it; otherwise, in table order, the first entry that encloses
    /// the range gives 0, equals it 3, straddles its edge 2; 1 when groups only lie inside
    /// it, else -1.
    static int Relation(const Table& table, int first, int last);
    /// GroupTracks' work in the primary (secondary) table, once it has chosen the table: the
    /// same answer and the same output.
    ///@{
    int GroupPrimary(int first, int last, int kind, int& id);
    int GroupSecondary(int first, int last, int kind, int& id);
    ///@}
    /// Records a group released from the primary table in the secondary table, in its first
    /// free entry or a new one; the other entries stay where they are.
    void PromoteToSecondary(int first, int last, int kind, int id);
    /// Frees the primary group and gives its tracks their primary placeholders back (the
    /// secondary table is left as it is).
    void RemovePrimaryGroup(int id);
    /// Frees the secondary group with `id`, if any.
    void RemoveSecondaryGroup(int id);
    /// Adds `delta` to both ends of every entry in use after `index`.
    static void UpdateFrom(Table& table, int index, int delta);
    /// Drops the free entries, then orders the rest by first track (a stable exchange sort).
    static void CleanTable(Table& table);
    /// The smallest id that no entry in use carries; 0 when all 256 are taken.
    int GetNextAvailableID() const;

private:
    // The walk of InsertTrack over one table; true when it widened a group.
    bool InsertTrackInto(Table& table, int track, int kind);
    // Fills `entry` as a new group or placeholder (its barEntire bit stays as it is).
    void Fill(tag_group& entry, int first, int last, int kind);
    // The index of a new entry after the table has grown by five default entries.
    static int Grow(Table& table);
    static int FindUsed(const Table& table, int id);
    static int FindFree(const Table& table);
    // The entry in use with `id` (primary table first), or null.
    tag_group* FindGroup(int id);
    const tag_group* FindGroup(int id) const;

    Table m_primary;
    Table m_secondary;
};

} // namespace clavenor
