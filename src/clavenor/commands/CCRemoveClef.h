#pragma once

#include "clavenor/commands/CCRemove.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class CCAddClef;
class CCClefInfo;
class ECClef;
class MCMarkEdit;

/// Takes one clef out of its measure, and with it the next clef of the same hand when that
/// one would repeat the clef in force before (only while the can-undo flag is set). Mirrors
/// that show a clef that leaves stop showing it and leave their measures.
///
/// Info 0 is the removed clef, info 1 the clef of the same hand in force just before it,
/// info 2 the next one; a set remove flag says this command takes that clef out. Prepare
/// fails (the batch aborts) when the clef's measure is under no staff of the conductor's
/// staff table.
///
/// Undo applies a command that takes this change back step by step: the document saves the
/// bytes it saved before; redo makes the same change again. All or nothing, as CCAddClef.
class CLAVENOR_API CCRemoveClef : public CCRemove {
    DECLARE_SERIAL(CCRemoveClef)

public:
    CCRemoveClef();
    /// A command for `clef`: Remove(clef).
    explicit CCRemoveClef(ECClef* clef);
    ~CCRemoveClef() override;

    int GetCommandId() const override;

    /// One clef per command: the first clef becomes info 0 (remove flag set) and the item;
    /// a second clef, and any element that is not a clef, returns null and changes nothing.
    CCRemoveItem* Remove(ECBase* element) override;
    /// The list form, which offers each element to the element form above.
    using CCRemove::Remove;

    ///@{
    /// As CCAddClef's accessors.
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
    friend class CCAddClef;

    /// The undo of `addition`: takes its recorded change back.
    explicit CCRemoveClef(CCAddClef* addition);

    std::unique_ptr<MCMarkEdit> m_pEdit;
};

} // namespace clavenor
