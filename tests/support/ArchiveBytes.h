#pragma once

#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CMemFile.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace clavenor::test {

using Bytes = std::vector<std::uint8_t>;

/// A stream written by hand. Tokens, separated by spaces: hex digits are bytes in the order
/// written (so the word 0x0102 is "0201"); 'text stands for the bytes of text; @Name and
/// @Name/schema for a new-class tag with its class record (schema 2 by default, decimal).
inline Bytes X(std::string_view text) {
    Bytes out;
    auto word = [&](unsigned w) {
        out.push_back(static_cast<std::uint8_t>(w));
        out.push_back(static_cast<std::uint8_t>(w >> 8));
    };
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        std::string_view token = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (token.empty()) {
            continue;
        }
        if (token[0] == '\'') {
            out.insert(out.end(), token.begin() + 1, token.end());
        } else if (token[0] == '@') {
            const std::size_t slash = std::min(token.find('/'), token.size());
            const std::string_view name = token.substr(1, slash - 1);
            word(0xFFFF);
            word(slash < token.size() ? std::stoul(std::string(token.substr(slash + 1))) : 2);
            word(static_cast<unsigned>(name.size()));
            out.insert(out.end(), name.begin(), name.end());
        } else {
            for (std::size_t i = 0; i + 1 < token.size(); i += 2) {
                out.push_back(static_cast<std::uint8_t>(
                    std::stoul(std::string(token.substr(i, 2)), nullptr, 16)));
            }
        }
    }
    return out;
}

/// The bytes `write(CArchive&)` stores.
template <class F>
Bytes Store(F write) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        write(ar);
        ar.Close();
    }
    return file.Detach();
}

/// Runs `read(CArchive&)` over the first `size` bytes (all by default); the archive closes
/// when it returns or throws.
template <class F>
void Load(const Bytes& bytes, F read, std::size_t size = ~std::size_t{0}) {
    CMemFile file(bytes.data(), std::min(size, bytes.size()));
    CArchive ar(&file, CArchive::load);
    read(ar);
    ar.Close();
}

/// The cause `read` throws over `bytes`, or none.
template <class F>
CArchiveException::Cause LoadCause(const Bytes& bytes, F read) {
    try {
        Load(bytes, read);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}

} // namespace clavenor::test
