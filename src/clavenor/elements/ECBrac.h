#pragma once

#include "clavenor/framework/Export.h"
#include "clavenor/model/ECBase.h"

#include <cstdint>

namespace clavenor {

/// A bracket or brace of the whole score (event id 8; allowed parent: the conductor measure,
/// 16). The second byte of the flag word holds its type (bits 8-14, the host's to interpret)
/// and whether it is the primary one (bit 15); the group id (which staff group of the
/// conductor staff's group table it draws) is a member of its own.
///
/// Archive record: the ECBase record, then the second byte of the flag word. The group id is
/// not archived: a loaded bracket has group id 0 until the host sets it again.
class CLAVENOR_API ECBrac : public ECBase {
    DECLARE_SERIAL(ECBrac)

public:
    /// Type 0, not primary, group id 0.
    ECBrac() = default;
    /// The low 7 bits of `type`.
    explicit ECBrac(std::uint8_t type);
    /// Copies the type, the primary flag and the group id.
    ECBrac(const ECBrac& other);
    ~ECBrac() override;

    /// Copies the type, the group id and the primary flag through the source's getters.
    ECBrac& operator=(const ECBrac& other);
    /// Same type, group id and primary flag.
    bool operator==(const ECBrac& other) const {
        return GetBracType() == other.GetBracType() && GetGroupID() == other.GetGroupID() &&
               GetPrimary() == other.GetPrimary();
    }
    /// The negation of ==.
    bool operator!=(const ECBrac& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    /// The type, 0-127.
    virtual std::uint8_t GetBracType() const { return GetSubtype() & kTypeMask; }
    /// Stores the low 7 bits, keeping the primary flag.
    virtual void SetBracType(std::uint8_t type);
    /// The conductor staff's group the bracket draws; 0 after loading (not archived).
    virtual std::uint8_t GetGroupID() const { return m_nGroupId; }
    /// 1 when the bracket is the primary one, else 0.
    virtual int GetPrimary() const { return (GetSubtype() & kPrimaryBit) != 0 ? 1 : 0; }
    /// Stores the group id and the primary flag (non-zero: primary).
    virtual void SetGroupID(std::uint8_t id, int primary);

private:
    static constexpr std::uint8_t kTypeMask = 0x7F;
    static constexpr std::uint8_t kPrimaryBit = 0x80;

    std::uint8_t m_nGroupId = 0;
};

} // namespace clavenor
