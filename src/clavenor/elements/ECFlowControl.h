#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTimeChild.h"

#include <cstdint>

namespace clavenor {

/// A navigation instruction of the conductor (event id 24; allowed parent: the conductor
/// staff, 17): Fine, da capo, dal segno, endings and the like. The flow-control type is the
/// second byte of the flag word; types 5 to 12 are the named instructions of GetFlowString,
/// type 2 (TypeEnding) is a volta ending with its number, type 14 (TypeSequence) carries a
/// sequence number; the other types are the host's to interpret. A text, when set, replaces
/// the type's name.
///
/// Archive record: the ECWithTimeChild record, the second byte of the flag word, then for an
/// ending its number (32-bit signed; one unsigned byte in documents of version 0), for type
/// 14 the sequence number (32-bit signed), for other types nothing. The text is not archived.
class CLAVENOR_API ECFlowControl : public ECWithTimeChild {
    DECLARE_SERIAL(ECFlowControl)

public:
    /// A volta ending: its ending number is archived.
    static constexpr std::uint8_t TypeEnding = 2;
    /// A sequence mark: its sequence number is archived.
    static constexpr std::uint8_t TypeSequence = 14;

    /// Type 0, ending number 1, sequence number 0, no text.
    ECFlowControl() = default;
    /// Of type `type`, ending number 1, sequence number 0, no text.
    explicit ECFlowControl(std::uint8_t type);
    /// Copies the time, the voice/track, the type, both numbers and the text.
    ECFlowControl(const ECFlowControl& other);
    ~ECFlowControl() override;

    /// Copies the voice/track, the type, both numbers and the text; not the time.
    ECFlowControl& operator=(const ECFlowControl& other);
    /// Same type, numbers and text (exactly).
    bool operator==(const ECFlowControl& other) const {
        return GetFlowControlType() == other.GetFlowControlType() && m_nEnding == other.m_nEnding &&
               m_nSequence == other.m_nSequence && m_text == other.m_text;
    }
    /// The negation of ==.
    bool operator!=(const ECFlowControl& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The text, or the type's name (GetFlowString) when it is empty.
    CString GetText() const;
    /// Stores the text (empty: the type's name shows again); not archived, so it does not
    /// survive a save and load. A direct change, not undoable, notifying nothing.
    void SetText(const CString& text) { m_text = text; }
    ///@{
    /// The ending and sequence numbers, stored as given; a direct change, not undoable,
    /// notifying nothing. Each is archived only with its own type (TypeEnding,
    /// TypeSequence), and a document of version 0 keeps only the ending number's low byte.
    int GetEndingNumber() const { return m_nEnding; }
    void SetEndingNumber(int number) { m_nEnding = number; }
    int GetSequenceNumber() const { return m_nSequence; }
    void SetSequenceNumber(int number) { m_nSequence = number; }
    ///@}
    ///@{
    /// The flow-control type, stored as given; a direct change, not undoable, notifying
    /// nothing. It decides which number is archived.
    std::uint8_t GetFlowControlType() const { return GetSubtype(); }
    void SetFlowControlType(std::uint8_t type) { SetSubtype(type); }
    ///@}

private:
    std::int32_t m_nEnding = 1;
    std::int32_t m_nSequence = 0;
    CString m_text;
};

} // namespace clavenor
