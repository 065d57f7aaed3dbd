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
    static constexpr std::uint32_t DirtyBit = 0x1;
    static constexpr std::uint32_t OverrideBit = 0x2;

    FCBase() = default;
    FCBase(const FCBase&) = default;
    FCBase& operator=(const FCBase&) = default;
    virtual ~FCBase();

    int IsDirty() const { return static_cast<int>(m_nState & DirtyBit); }
    void SetDirty(int flag) { SetBit(DirtyBit, (flag & 1) != 0); }
    int IsOverride() const { return (m_nState & OverrideBit) != 0 ? 1 : 0; }
    void SetOverride(int flag) { SetBit(OverrideBit, (flag & 1) != 0); }

    /// The whole flag word, as attached data records archive it.
    std::uint32_t GetState() const { return m_nState; }
    void SetState(std::uint32_t state) { m_nState = state; }

protected:
    void SetBit(std::uint32_t mask, bool on) {
        m_nState = on ? (m_nState | mask) : (m_nState & ~mask);
    }

    std::uint32_t m_nState = DirtyBit;
};

} // namespace clavenor
