#pragma once

#include "clavenor/framework/CArray.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

class ECBase;
class MCEventList;

/// A visitor that walks the element graph depth-first from a start element, down through
/// children or (in reverse mode) up through parents, and calls DoAction on each element.
///
/// Result codes of DoAction and Apply:
///   ResultAbort (-1): stop everything and report failure;
///   ResultContinue (0): enter the element's children (parents) unless it is clipped;
///   ResultSkipChildren (1): done with this element, go on with its next sibling;
///   ResultStop (2): stop the whole walk;
///   ResultSkipSiblings (3): skip the element's children and its remaining siblings, and
///     continue one level up;
///   any other value: treated as ResultContinue for descending and carried as the result.
///
/// Controls: a depth limit (levels below, or above, the start element that are visited;
/// 255 is unlimited); clip types, whose elements are acted on but not entered (by default
/// beams, slurs, ties and glissandi, whose children are also children elsewhere); bypass
/// types, whose elements are entered without DoAction and do not count as a level (by
/// default the envelope kinds and ids 63 and 69).
///
/// BeginAction runs once before the first element; Reset() makes the next Apply begin
/// again, otherwise results accumulate over several Apply calls. EndAction runs once when a
/// walk started by Apply(ECBase*) comes back to the start element, and once after a list
/// walk (single walks of an action that has done a list walk no longer call it). It does
/// not run when the start element itself ends the walk: its DoAction returns -1, 1, 2 or 3,
/// it is clipped, or the depth limit 0 keeps the walk from entering its children.
///
/// An action holds no element alive except through result lists of its own; DoAction must
/// not destroy elements the walk has yet to reach. The walk recurses once per level of the
/// graph. One thread at a time.
class CLAVENOR_API ACBase {
public:
    static constexpr std::uint16_t FlagBegun = 0x01;    ///< BeginAction has run since Reset.
    static constexpr std::uint16_t FlagReverse = 0x02;  ///< Walk up through parents.
    static constexpr std::uint16_t FlagListMode = 0x04; ///< A list walk has been made.
    static constexpr std::uint16_t FlagClip = 0x08;     ///< The clip types are in force.
    static constexpr std::uint16_t FlagBypass = 0x10;   ///< The bypass types are in force.
    /// Free for derived actions (ACFindObjects keeps its found flag here).
    static constexpr std::uint16_t FlagDerived = 0x100;

    /// The depth limit that does not limit.
    static constexpr std::uint8_t Unlimited = 255;

    ///@{
    /// The result codes of DoAction and Apply (see the class comment).
    static constexpr int ResultAbort = -1;
    static constexpr int ResultContinue = 0;
    static constexpr int ResultSkipChildren = 1;
    static constexpr int ResultStop = 2;
    static constexpr int ResultSkipSiblings = 3;
    ///@}

    /// An action that walks down (`reverse` bit 0 clear) or up, without depth limit, with
    /// the default clip and bypass types in force. Throws std::bad_alloc when the type
    /// tables cannot be allocated.
    explicit ACBase(int reverse = 0);
    virtual ~ACBase();
    ///@{
    /// Copies the controls and the state, results of derived actions included (a copy
    /// taken in the middle of a walk is not a way to run a second one).
    ACBase(const ACBase&) = default;
    ACBase& operator=(const ACBase&) = default;
    ///@}

    /// Resets the current depth and returns 1; a derived action clears its results here and
    /// returns 0 to refuse to run.
    virtual int BeginAction();

    /// Walks each non-null element of `list` in order. Unless `ignoreStops` is non-zero, a
    /// walk that returns -1, 2 or 3 ends the loop with result 2. Sets list mode for the life
    /// of the action, calls EndAction once at the end and returns the last result (0 for an
    /// empty list).
    virtual int Apply(MCEventList* list, int ignoreStops);

    /// Walks from `start` (see the class comment) and returns the result of the walk: the
    /// start element's own 1, 2 or 3 at once; 1 when it is clipped or the depth limit stops
    /// the walk below it; without children, its own code; else -1 or 2 when a child's walk
    /// aborted or stopped, otherwise the code of the last child walked when that is 4 and
    /// above or below -1, else 0. Returns -1 when BeginAction refuses, 0 for a null start.
    virtual int Apply(ECBase* start);

    /// The per-element work; the base returns 0.
    virtual int DoAction(ECBase* element);
    /// Runs once at the end of a walk (see the class comment for when); the base does
    /// nothing. Derived actions finish their results here.
    virtual void EndAction();
    /// Clears the begun flag.
    virtual void Reset();

    /// Adds `id` to the clip types and turns clipping on; -1 means ClipNone().
    void ClipEvtType(int id);
    /// Empties the clip types and turns clipping off.
    void ClipNone();
    /// Adds `id` to the bypass types and turns bypassing on; -1 means BypassNone().
    void BypassEvtType(int id);
    /// Empties the bypass types and turns bypassing off: every element is acted on.
    void BypassNone();

    /// 1 when clipping is on and `element` (not null) is of a clip type, else 0.
    int ShouldClip(ECBase* element) const;
    /// 1 when bypassing is on and `element` (not null) is of a bypass type, else 0.
    int ShouldBypass(ECBase* element) const;

    /// The depth limit: the levels below (above) the start that are visited; Unlimited
    /// (255) for no limit, 0 for the start element alone.
    std::uint8_t GetDepth() const { return m_nDepthLimit; }
    /// Sets the depth limit (see GetDepth); takes effect at the next level entered.
    void SetDepth(std::uint8_t depth) { m_nDepthLimit = depth; }
    /// 1 when the action walks up through parents, else 0.
    int IsReverse() const { return (m_nFlags & FlagReverse) != 0 ? 1 : 0; }
    /// Walks up (bit 0 of `reverse` set) or down from the next walk on.
    void SetReverse(int reverse);

protected:
    std::uint16_t m_nFlags = 0;             ///< The Flag* bits.
    std::uint8_t m_nDepthLimit = Unlimited; ///< See GetDepth.
    std::uint8_t m_nCurDepth = 0;           ///< Levels below (above) the start of the walk now.
    /// Levels of Apply(ECBase*) entered and not yet left (counted whatever the limit).
    int m_nNesting = 0;
    /// Changed directly rather than through the calls above, they take effect when the next
    /// walk starts.
    CArray<int, int> m_clipTypes;
    /// The bypass types; as the clip types above.
    CArray<int, int> m_bypassTypes;

    /// Restores the current depth and the nesting count when a level of a walk is left, also
    /// when DoAction throws, so that the next walk starts at depth 0.
    class LevelGuard {
    public:
        /// Enters a level: saves `depth` and counts one more level in `nesting`.
        LevelGuard(std::uint8_t& depth, int& nesting)
            : m_depth(depth), m_savedDepth(depth), m_nesting(nesting) {
            ++m_nesting;
        }
        ~LevelGuard() {
            m_depth = m_savedDepth;
            --m_nesting;
        }
        LevelGuard(const LevelGuard&) = delete;
        LevelGuard& operator=(const LevelGuard&) = delete;

    private:
        std::uint8_t& m_depth;
        std::uint8_t m_savedDepth;
        int& m_nesting;
    };

    /// Runs BeginAction when the action has not begun; false when it refuses.
    bool EnsureBegun();

private:
    /// The clip and bypass types as bit sets over the ids below TypeBits, so that a walk
    /// tests an element's type in one instruction; an id beyond them is looked up in its
    /// array, when the array holds any. Built when a walk starts and whenever the calls
    /// above change the arrays.
    static constexpr int TypeBits = 128;
    struct TypeSet {
        std::uint64_t bits[TypeBits / 64] = {};
        bool beyond = false;
    };
    static void Index(const CArray<int, int>& types, TypeSet& set);
    // Inline: the walk asks it for every element.
    static bool Holds(const TypeSet& set, const CArray<int, int>& types, int id) {
        if (id >= 0 && id < TypeBits) {
            return ((set.bits[id / 64] >> (id % 64)) & 1) != 0;
        }
        return set.beyond && HoldsBeyond(types, id);
    }
    static bool HoldsBeyond(const CArray<int, int>& types, int id);
    void IndexTypes();

    TypeSet m_clipSet;
    TypeSet m_bypassSet;
};

} // namespace clavenor
