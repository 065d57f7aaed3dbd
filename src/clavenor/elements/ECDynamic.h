#pragma once

#include "clavenor/elements/ECControlChange.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A dynamic marking (event id 21; allowed parents, in this order: envelope, controller
/// envelope). It is a control change, so that playback follows it: its value is the
/// velocity or volume it stands for. The dynamic type lives in the class-specific byte of
/// the flag word (5, "mf", by default; the names are those of GetDynamicString). Types 10 to
/// 15 are hairpins and words that last (HasDuration); a dynamic also keeps a duration (0.0
/// by default) and a text (empty by default) that replaces the type's name when not empty.
///
/// Archive record: the ECControlChange record, the type (1 byte), the duration (an MCTime
/// record) only when the type has one, and the text.
class CLAVENOR_API ECDynamic : public ECControlChange {
    DECLARE_SERIAL(ECDynamic)

public:
    /// The type a new dynamic takes: "mf".
    static constexpr std::uint8_t DefaultType = 5;

    /// Of type 5 ("mf"), duration 0.0, no text, the time unset.
    ECDynamic();
    /// A dynamic of `type` lasting `duration`; the time stays unset.
    ECDynamic(std::uint8_t type, const MCTime& duration);
    /// What assignment copies, and the time and the duration.
    ECDynamic(const ECDynamic& other);
    ~ECDynamic() override;

    /// The ECControlChange assignment, the type and the text; not the duration.
    ECDynamic& operator=(const ECDynamic& other);

    /// Equal types, durations and texts.
    bool operator==(const ECDynamic& other) const {
        return GetDynamicType() == other.GetDynamicType() && m_duration == other.m_duration &&
               m_text == other.m_text;
    }
    /// The negation of ==.
    bool operator!=(const ECDynamic& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    MCTime* GetDuration() override { return &m_duration; }
    /// Assigns the duration; a null pointer changes nothing.
    void SetDuration(MCTime* duration) override;

    ///@{
    /// The dynamic type, stored as given; a direct change, not undoable, notifying nothing. Whether
    /// the duration is archived follows the type (HasDuration), so a type changed to one without a
    /// duration loses it on the next save and load.
    std::uint8_t GetDynamicType() const { return GetSubtype(); }
    void SetDynamicType(std::uint8_t type) { SetSubtype(type); }
    ///@}
    /// The stored text, or the type's name when it is empty.
    CString GetText() const;
    /// Stores the text (empty: the type's name shows again); a direct change, not undoable,
    /// notifying nothing.
    void SetText(const CString& text) { m_text = text; }

    /// 1 for the types 10 to 15, which last.
    static int HasDuration(int type) { return type >= 10 && type < 16 ? 1 : 0; }

private:
    MCTime m_duration;
    CString m_text;
};

} // namespace clavenor
