#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/ECWithTime.h"

#include <cstdint>

namespace clavenor {

/// A system message on the conductor staff (event id 56; allowed parent: conductor staff,
/// 17): a message type (0 by default, in the class-specific byte of the flag word) and a
/// name (empty by default). Not an envelope point.
///
/// Copying (copy construction, assignment and Copy alike) takes the ECWithTime part and
/// the name, never the message type: a copy keeps the type it had. Equality is that of
/// ECWithTime.
///
/// Archive record: the ECWithTime record, the type (1 byte), then the name, which a
/// document of version below 3 does not hold (it loads empty).
class CLAVENOR_API ECSystemMessage : public ECWithTime {
    DECLARE_SERIAL(ECSystemMessage)

public:
    ECSystemMessage() = default;
    /// Of message type `type`, no name.
    explicit ECSystemMessage(std::uint8_t type) { SetMessageType(type); }
    /// Copies the time, the voice/track and the name; the type stays 0 (see the class comment).
    ECSystemMessage(const ECSystemMessage& other);
    ~ECSystemMessage() override;

    /// Copies the voice/track (not the time) and the name.
    ECSystemMessage& operator=(const ECSystemMessage& other);

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The message type, stored as given; a direct change, not undoable, notifying nothing.
    std::uint8_t GetMessageType() const { return GetSubtype(); }
    void SetMessageType(std::uint8_t type) { SetSubtype(type); }
    ///@}
    ///@{
    /// The name, a copy; the setter stores it as given, a direct change, not undoable, notifying
    /// nothing.
    CString GetMessageName() const { return m_name; }
    void SetMessageName(const CString& name) { m_name = name; }
    ///@}

private:
    CString m_name;
};

} // namespace clavenor
