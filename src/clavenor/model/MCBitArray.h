#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>
#include <memory>

namespace clavenor {

/// A plain bit set of fixed size, in 16-bit words. Indexes are not checked: they must be
/// below the size.
class CLAVENOR_API MCBitArray {
public:
    MCBitArray() = default;
    /// SetSize(bits): throws std::bad_alloc when the words cannot be allocated.
    explicit MCBitArray(int bits) { SetSize(bits); }

    /// Releases the old words; for bits > 0 allocates ceil(bits / 16) cleared words (throws
    /// std::bad_alloc when it cannot, with the array then empty). Every bit reads clear.
    void SetSize(int bits);
    /// The size in bits, as last set (0 for a size of 0 or less).
    int GetSize() const { return m_nBits; }
    /// The number of 16-bit words allocated, ceil(size / 16).
    int GetWordCount() const { return m_nWords; }

    ///@{
    /// Sets (clears) bit `i`, which must be below the size: not checked.
    void Set(int i) { m_words[i >> 4] = static_cast<std::uint16_t>(m_words[i >> 4] | Mask(i)); }
    void Clear(int i) { m_words[i >> 4] = static_cast<std::uint16_t>(m_words[i >> 4] & ~Mask(i)); }
    ///@}
    /// The masked bit (non-zero when set), not 1.
    unsigned Get(int i) const { return m_words[i >> 4] & Mask(i); }

    /// Clears every bit; the size stays.
    void ClearAll();
    /// 1 when any bit is set, else 0.
    int GetAll() const;

private:
    static unsigned Mask(int i) { return 1u << (i & 15); }

    std::unique_ptr<std::uint16_t[]> m_words;
    int m_nBits = 0;
    int m_nWords = 0;
};

} // namespace clavenor
