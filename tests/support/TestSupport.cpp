#include "support/TestSupport.h"

namespace clavenor::test {

IMPLEMENT_SERIAL(TLeaf, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_SERIAL(TNode, ECWithTimeChild, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_SERIAL(TData, DCBase, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_DYNCREATE(TTransient, DCBase)

Bytes X(std::string_view text) {
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

std::string Journal::Joined() const {
    std::string all;
    for (const std::string& line : lines) {
        all += all.empty() ? "" : " ";
        all += line;
    }
    return all;
}

} // namespace clavenor::test
