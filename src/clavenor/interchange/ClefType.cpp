#include "clavenor/interchange/ClefType.h"

#include <cstring>

namespace clavenor {

namespace {

// Indexed by type.
constexpr ClefShape kShapes[ClefTypeCount] = {
    {"G", 2, 0},          {"G", 2, -1}, {"F", 4, 0},  {"C", 3, 0},   {"C", 4, 0},
    {"percussion", 0, 0}, {"G", 2, 1},  {"F", 4, -1}, {"C", 1, 0},   {"C", 2, 0},
    {"C", 5, 0},          {"F", 3, 0},  {"F", 5, 0},  {"G", 1, 0},   {"TAB", 0, 0},
    {"F", 4, 1},          {"G", 2, 2},  {"G", 2, -2}, {"none", 0, 0}};

int UsualLine(const char* sign) {
    if (std::strcmp(sign, "G") == 0) {
        return 2;
    }
    if (std::strcmp(sign, "F") == 0) {
        return 4;
    }
    if (std::strcmp(sign, "C") == 0) {
        return 3;
    }
    return 0;
}

} // namespace

std::optional<ClefShape> ClefShapeOf(std::uint8_t type) {
    if (type >= ClefTypeCount) {
        return std::nullopt;
    }
    return kShapes[type];
}

std::optional<std::uint8_t> ClefTypeOf(const char* sign, int line, int octaveChange) {
    if (sign == nullptr) {
        return std::nullopt;
    }
    const int usual = UsualLine(sign);
    // The signs that sit on no line ignore one given.
    const int wanted = usual == 0 ? 0 : line == 0 ? usual : line;
    for (int type = 0; type < ClefTypeCount; ++type) {
        const ClefShape& shape = kShapes[type];
        if (std::strcmp(shape.sign, sign) == 0 && shape.line == wanted &&
            shape.octaveChange == octaveChange) {
            return static_cast<std::uint8_t>(type);
        }
    }
    return std::nullopt;
}

} // namespace clavenor
