#include "clavenor/model/MCBitArray.h"

#include <algorithm>

namespace clavenor {

void MCBitArray::SetSize(int bits) {
    m_words.reset();
    m_nBits = 0;
    m_nWords = 0;
    if (bits <= 0) {
        return;
    }
    const int words = bits / 16 + (bits % 16 != 0 ? 1 : 0);
    m_words = std::make_unique<std::uint16_t[]>(static_cast<std::size_t>(words));
    m_nBits = bits;
    m_nWords = words;
}

void MCBitArray::ClearAll() { std::fill_n(m_words.get(), m_nWords, std::uint16_t{0}); }

int MCBitArray::GetAll() const {
    return std::any_of(m_words.get(), m_words.get() + m_nWords,
                       [](std::uint16_t w) { return w != 0; })
               ? 1
               : 0;
}

} // namespace clavenor
