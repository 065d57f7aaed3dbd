#pragma once

#include "clavenor/commands/CCAdd.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCTime.h"

#include <memory>

namespace clavenor {

class CCMeterInfo;
class CCRemoveMeter;
class ECConductorStaff;
class ECMeter;
class MCMeterEdit;

/// Puts one meter into the meter map (the conductor staff's meter envelope) and re-bars the
/// measures it governs. When its measure length differs from that of the meter in force
/// before it, every measure from its time to the end of that meter's span gets the new
/// length, everything at or after the end of the span moves by the difference (the measure
/// count of the span times the change of length), the conductor staff's end time with it,
/// and the elements of the re-barred measures keep their times but are re-filed into the
/// measures that now hold them (measures are appended when one lies past the last). A meter
/// already at the new one's time is replaced; the following meter, when it equals the new
/// one, has become redundant and leaves the map as well (in this command's own change, not
/// in a second command). Meters are best placed at the start of a measure: the re-barred
/// span begins with the measure that holds the meter's time, which then starts there.
///
/// Info 0 is the new meter, info 1 the meter in force at its time, info 2 the one after
/// info 1; a set flag says this command takes that meter out. Prepare makes the meter map
/// when there is none; it fails (the batch aborts) without a conductor staff.
///
/// Undo applies a command that takes the change back step by step: the document saves the
/// bytes it saved before; redo makes the same change again and it saves the bytes of after.
/// All or nothing: std::bad_alloc while processing changes nothing, and Revert needs no
/// memory. Cost: a walk of the document (the shift), the children of the re-barred measures
/// and, when clefs, keys or measures move, a rebuild of every staff's clef and key cache; the
/// command keeps each moved element's old time for as long as it lives.
class CLAVENOR_API CCAddMeter : public CCAdd {
    DECLARE_SERIAL(CCAddMeter)

public:
    CCAddMeter();
    /// A command for `meter`: Add(meter, nullptr, FCMidi::MidiNull()) (a null meter leaves
    /// the command empty: it then changes nothing).
    explicit CCAddMeter(ECMeter* meter);
    ~CCAddMeter() override;

    int GetCommandId() const override;

    /// One meter per command: the first call with a meter makes info 0 and the item (its
    /// parent is ignored: the meter goes into the conductor staff's meter map); any later
    /// call, and a call with anything but a meter, returns null and changes nothing.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;

    /// Info `index` (0, 1 or 2) and what it says; null, respectively MCTime::TimeNull(),
    /// when absent.
    ///@{
    CCMeterInfo* GetMeterInfo(int index) const;
    ECMeter* GetMeter(int index) const;
    MCTime GetMeterTime(int index) const;
    MCTime GetMeterDuration(int index) const;
    ///@}
    /// After Process: the number of the first measure appended while re-filing (-1: none)
    /// and how many.
    ///@{
    int GetFirstAddedMeasure() const;
    int GetAddedMeasureCount() const;
    ///@}
    /// The conductor staff Prepare found, not held; null before Prepare.
    ECConductorStaff* GetConductorStaff() const;

    int Prepare() override;
    int Process() override;
    void Undo() override;
    void Revert() override;

private:
    friend class CCRemoveMeter;

    /// The undo of `removal`: takes its recorded change back.
    explicit CCAddMeter(CCRemoveMeter* removal);

    std::unique_ptr<MCMeterEdit> m_pEdit;
};

} // namespace clavenor
