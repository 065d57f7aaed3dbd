#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class CCClefInfo;
class CCRemoveClef;
class ECClef;
class ECMeasure;
class MCMarkEdit;

/// Puts one clef into a measure of a staff and keeps its neighbours of the same hand
/// meaningful: a clef already at that time is replaced (it leaves its measure), and the next
/// clef, when it equals the new one, has become redundant and leaves too. Clefs of the other
/// hand are not touched. Neighbours are flagged only while the can-undo flag is set (the
/// undo of a removal re-adds without replacing anything). Mirrors that show a clef that
/// leaves stop showing it and leave their measures.
///
/// Info 0 is the new clef, info 1 the clef in force at its time before the command, info 2
/// the next one of the same hand; a set remove flag says this command takes that neighbour
/// out. Prepare finds the neighbours from the staff's clef and key cache; it fails (the
/// batch aborts) when the measure is under no staff of the conductor's staff table.
///
/// Undo applies a command that takes this change back step by step: the document saves the
/// bytes it saved before; redo (Process again) makes the same change, and it saves the bytes
/// of after. All or nothing: std::bad_alloc while processing changes nothing, and Revert
/// needs no memory. The staves' clef and key caches are rebuilt, at a cost of a walk over
/// every staff's measures.
class CLAVENOR_API CCAddClef : public CCAdd {
    DECLARE_SERIAL(CCAddClef)

public:
    CCAddClef();
    /// A command that adds `clef` to `measure`.
    CCAddClef(ECClef* clef, ECMeasure* measure);
    ~CCAddClef() override;

    int GetCommandId() const override;

    /// One clef per command: the first call with a clef makes info 0 and the item; any later
    /// call, and a call with anything but a clef, returns null and changes nothing.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;

    ///@{
    /// Info `index` (0, 1 or 2) and what it says; null, respectively MCTime::TimeNull() and
    /// 0, when absent.
    CCClefInfo* GetClefInfo(int index) const;
    ECClef* GetClef(int index) const;
    MCTime GetClefTime(int index) const;
    std::uint8_t GetClefHand(int index) const;
    ///@}

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

private:
    friend class CCRemoveClef;

    /// The undo of `removal`: takes its recorded change back.
    explicit CCAddClef(CCRemoveClef* removal);

    std::unique_ptr<MCMarkEdit> m_pEdit;
};

} // namespace clavenor
