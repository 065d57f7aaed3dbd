#pragma once

#include "clavenor/commands/CCRemove.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <memory>

namespace clavenor {

class CCAddMeter;
class CCMeterInfo;
class ECConductorStaff;
class ECMeter;
class MCMeterEdit;

/// Takes one meter out of the meter map and re-bars the measures it governed with the
/// length of the meter before it, as CCAddMeter does with the roles exchanged. The
/// following meter, when it equals the one before, leaves the map as well. The first meter
/// of the piece cannot be removed: Prepare fails (the batch aborts) when no meter precedes
/// the one to remove, or when it is not in the map.
///
/// Info 0 is the removed meter, info 1 the one before it, info 2 the one after it.
///
/// Undo applies a command that takes the change back step by step: the document saves the
/// bytes it saved before; redo makes the same change again. All or nothing, and the cost,
/// as CCAddMeter.
class CLAVENOR_API CCRemoveMeter : public CCRemove {
    DECLARE_SERIAL(CCRemoveMeter)

public:
    CCRemoveMeter();
    /// A command for `meter`: Remove(meter) (a null meter leaves the command
    /// empty: it then changes nothing).
    explicit CCRemoveMeter(ECMeter* meter);
    ~CCRemoveMeter() override;

    int GetCommandId() const override;

    /// One meter per command: the first meter becomes info 0 (flag set) and the item; a
    /// second meter, and any element that is not a meter, returns null and changes nothing.
    CCRemoveItem* Remove(ECBase* element) override;
    /// The list form, which offers each element to the one-element form above.
    using CCRemove::Remove;

    ///@{
    /// As CCAddMeter's accessors.
    CCMeterInfo* GetMeterInfo(int index) const;
    ECMeter* GetMeter(int index) const;
    MCTime GetMeterTime(int index) const;
    MCTime GetMeterDuration(int index) const;
    int GetFirstAddedMeasure() const;
    int GetAddedMeasureCount() const;
    ECConductorStaff* GetConductorStaff() const;
    ///@}

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

private:
    friend class CCAddMeter;

    /// The undo of `addition`: takes its recorded change back.
    explicit CCRemoveMeter(CCAddMeter* addition);

    std::unique_ptr<MCMeterEdit> m_pEdit;
};

} // namespace clavenor
