#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A non-registered parameter change (event id 39; allowed parent: its parameter envelope, 38),
/// naming the parameter number by its two bytes (0 and 0 by default).
///
/// Archive record: the ECEnvPoint record, then the first and the second byte.
class CLAVENOR_API ECNRPNPoint : public ECEnvPoint {
    DECLARE_SERIAL(ECNRPNPoint)

public:
    ECNRPNPoint() = default;
    /// Naming parameter `first`, `second`, stored as given.
    ECNRPNPoint(std::uint8_t first, std::uint8_t second) : m_nFirst(first), m_nSecond(second) {}
    /// The ECEnvPoint copy (time included) and the parameter number.
    ECNRPNPoint(const ECNRPNPoint& other) = default;
    ~ECNRPNPoint() override;

    /// The ECEnvPoint assignment and the parameter number.
    ECNRPNPoint& operator=(const ECNRPNPoint& other) = default;

    /// Equal parameter numbers.
    bool operator==(const ECNRPNPoint& other) const {
        return m_nFirst == other.m_nFirst && m_nSecond == other.m_nSecond;
    }
    /// The negation of ==.
    bool operator!=(const ECNRPNPoint& other) const { return !(*this == other); }

    void Serialize(CArchive& ar) override;
    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The parameter number's two bytes, stored as given (not checked against the envelope's
    /// number); a direct change, not undoable, notifying nothing.
    void GetNRPNValue(std::uint8_t& first, std::uint8_t& second) const {
        first = m_nFirst;
        second = m_nSecond;
    }
    void SetNRPNValue(std::uint8_t first, std::uint8_t second) {
        m_nFirst = first;
        m_nSecond = second;
    }
    ///@}

private:
    std::uint8_t m_nFirst = 0;
    std::uint8_t m_nSecond = 0;
};

} // namespace clavenor
