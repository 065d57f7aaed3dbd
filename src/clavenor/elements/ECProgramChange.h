#pragma once

#include "clavenor/elements/ECEnvPoint.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A program change (event id 49; allowed parent: patch envelope, 42). Its value packs bank
/// and program (see ECPatchEnv); the bank MSB and LSB it keeps besides (0 by default) tell
/// one stream from another but are not archived.
///
/// Archive record: the ECEnvPoint record only; a loaded program change has banks 0 and 0.
class CLAVENOR_API ECProgramChange : public ECEnvPoint {
    DECLARE_SERIAL(ECProgramChange)

public:
    ECProgramChange() = default;
    /// The ECEnvPoint copy (time included) and both banks.
    ECProgramChange(const ECProgramChange& other) = default;
    ~ECProgramChange() override;

    /// The ECEnvPoint assignment and both banks.
    ECProgramChange& operator=(const ECProgramChange& other) = default;

    /// Equal bank MSBs and equal bank LSBs.
    bool operator==(const ECProgramChange& other) const {
        return m_nBankMSB == other.m_nBankMSB && m_nBankLSB == other.m_nBankLSB;
    }
    /// The negation of ==.
    bool operator!=(const ECProgramChange& other) const { return !(*this == other); }

    ECBase* Copy(CObject* src) override;
    int GetEventId() const override;
    int GetParentTypes(CArray<int, int>& types) override;

    ///@{
    /// The banks kept beside the packed value, stored as given; a direct change, not undoable,
    /// notifying nothing. Not archived, and not kept in step with the value: set both when changing
    /// the bank.
    std::uint8_t GetBankMSB() const { return m_nBankMSB; }
    std::uint8_t GetBankLSB() const { return m_nBankLSB; }
    void SetBankMSB(std::uint8_t bank) { m_nBankMSB = bank; }
    void SetBankLSB(std::uint8_t bank) { m_nBankLSB = bank; }
    ///@}

private:
    std::uint8_t m_nBankMSB = 0;
    std::uint8_t m_nBankLSB = 0;
};

} // namespace clavenor
