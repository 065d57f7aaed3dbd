#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// The base of the typed fields: a 32-bit flag word with a dirty bit (bit 0, set by the
/// constructor) and an override bit (bit 1, clear). Derived fields may use the other bits.
///
/// Copying an FCBase copies the whole flag word; the derived fields' copy constructors and
/// assignments copy only their value (see each class). Setting a value never touches the
/// flags.
class CLAVENOR_API FCBase {
public:
    /// Bit 0 of the flag word: the value changed since the host last cleared the bit. The
    /// library sets it only in the constructor; keeping it is the host's business.
    static constexpr std::uint32_t DirtyBit = 0x1;
    /// Bit 1 of the flag word: the value overrides an inherited one (for the host's use).
    static constexpr std::uint32_t OverrideBit = 0x2;

    FCBase() = default;
    ///@{
    /// Copies the whole flag word (derived fields decide about their values).
    FCBase(const FCBase&) = default;
    FCBase& operator=(const FCBase&) = default;
    ///@}
    virtual ~FCBase();

    ///@{
    /// The dirty and override bits: the getters answer 1 or 0, the setters take bit 0 of
    /// `flag`. Plain flag changes: no notification, no undo, the value is untouched.
    int IsDirty() const { return static_cast<int>(m_nState & DirtyBit); }
    void SetDirty(int flag) { SetBit(DirtyBit, (flag & 1) != 0); }
    int IsOverride() const { return (m_nState & OverrideBit) != 0 ? 1 : 0; }
    void SetOverride(int flag) { SetBit(OverrideBit, (flag & 1) != 0); }
    ///@}

    ///@{
    /// The whole flag word, as attached data records archive it; SetState replaces every
    /// bit, the derived fields' own included.
    std::uint32_t GetState() const { return m_nState; }
    void SetState(std::uint32_t state) { m_nState = state; }
    ///@}

protected:
    /// Sets (`on`) or clears the bits of `mask`; nothing else changes.
    void SetBit(std::uint32_t mask, bool on) {
        m_nState = on ? (m_nState | mask) : (m_nState & ~mask);
    }

    /// The flag word; derived fields keep their own bits above bit 1.
    std::uint32_t m_nState = DirtyBit;
};

} // namespace clavenor
