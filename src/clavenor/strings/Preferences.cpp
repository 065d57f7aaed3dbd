#include "clavenor/strings/Preferences.h"

#include "clavenor/framework/CProfileStore.h"
#include "clavenor/framework/detail/TextScan.h"
#include "clavenor/strings/MCScreenMetrics.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>
#include <string_view>

namespace clavenor {

namespace {

// atof in the "C" locale: a host that switched to a locale with a decimal comma must still
// read the points that every stored float has.
double Atof(const std::string& text) {
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    if (cLocale != static_cast<locale_t>(0)) {
        return ::strtod_l(text.c_str(), nullptr, cLocale);
    }
    const std::string_view rest = TextScan::SkipSpace(text);
    double value = 0.0;
    std::from_chars(rest.data(), rest.data() + rest.size(), value);
    return value;
}

float ToFloat(double value) {
    if (std::fabs(value) > std::numeric_limits<float>::max()) {
        return std::signbit(value) ? -std::numeric_limits<float>::infinity()
                                   : std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t WrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// The field at `index` of a comma-separated text; empty when there are fewer fields.
std::string_view Field(std::string_view text, int index) {
    for (; index > 0; --index) {
        std::size_t comma = text.find(',');
        if (comma == std::string_view::npos) {
            return {};
        }
        text.remove_prefix(comma + 1);
    }
    return text.substr(0, text.find(','));
}

} // namespace

std::int32_t LoadIntPreference(const CString& section, const CString& key,
                               std::int32_t defaultValue) {
    return CProfileStore::GetActiveStore().GetProfileInt(section, key, defaultValue);
}

int SaveIntPreference(const CString& section, const CString& key, std::int32_t value) {
    return CProfileStore::GetActiveStore().WriteProfileInt(section, key, value);
}

float LoadFloatPreference(const CString& section, const CString& key, float defaultValue) {
    CString text = CProfileStore::GetActiveStore().GetProfileString(section, key, CString());
    if (text.IsEmpty()) {
        return defaultValue;
    }
    return ToFloat(Atof(text.str()));
}

int SaveFloatPreference(const CString& section, const CString& key, float value) {
    // Large enough for the 39 integer digits of the largest float, a sign, the point and six
    // decimals.
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                std::chars_format::fixed, 6);
    return CProfileStore::GetActiveStore().WriteProfileString(
        section, key, CString(text, static_cast<std::size_t>(result.ptr - text)));
}

CString LoadStringPreference(const CString& section, const CString& key,
                             const CString& defaultValue) {
    return CProfileStore::GetActiveStore().GetProfileString(section, key, defaultValue);
}

int SaveStringPreference(const CString& section, const CString& key, const CString& value) {
    return CProfileStore::GetActiveStore().WriteProfileString(section, key, value);
}

MCLogFont LoadFontPreference(const CString& section, const CString& key, const CString& faceName,
                             std::int32_t height, int bold, int italic, int underline,
                             int charSet) {
    MCLogFont font;
    font.faceName = faceName;
    font.height = height;
    font.weight = bold != 0 ? MCLogFont::WeightBold : MCLogFont::WeightNormal;
    font.italic = static_cast<std::uint8_t>(italic);
    font.underline = static_cast<std::uint8_t>(underline);
    font.charSet = static_cast<std::uint8_t>(charSet);
    font.outPrecision = MCLogFont::OutPrecisionTrueType;

    CString stored = CProfileStore::GetActiveStore().GetProfileString(section, key, CString());
    std::string_view text = stored.view();
    if (!text.empty()) {
        font.faceName = CString(Field(text, 0));
        font.height = TextScan::Atoi(Field(text, 1));
        if (TextScan::Atoi(Field(text, 2)) == 1) {
            font.weight = MCLogFont::WeightBold;
        }
        if (TextScan::Atoi(Field(text, 3)) == 1) {
            font.italic = 1;
        }
        if (TextScan::Atoi(Field(text, 4)) == 1) {
            font.underline = 1;
        }
        std::string_view set = Field(text, 5);
        if (!set.empty()) {
            font.charSet = static_cast<std::uint8_t>(TextScan::Atoi(set));
        }
    }
    return font;
}

int SaveFontPreference(const CString& section, const CString& key, const MCLogFont& font) {
    std::string text(font.faceName.view());
    text += ", " + std::to_string(font.height);
    text += font.weight == MCLogFont::WeightBold ? ", 1" : ", 0";
    text += font.italic != 0 ? ", 1" : ", 0";
    text += font.underline != 0 ? ", 1" : ", 0";
    text += ", " + std::to_string(font.charSet);
    return CProfileStore::GetActiveStore().WriteProfileString(section, key, CString(text));
}

int LoadWindowPrefs(const CString& section, MCWindowPlacement& placement) {
    CProfileStore& store = CProfileStore::GetActiveStore();
    std::int32_t y = store.GetProfileInt(section, "y", 0);
    std::int32_t x = store.GetProfileInt(section, "x", 0);
    std::int32_t height = store.GetProfileInt(section, "Height", 0);
    std::int32_t width = store.GetProfileInt(section, "Width", 0);
    std::int32_t iconic = store.GetProfileInt(section, "Iconic", 0);
    std::int32_t maximized = store.GetProfileInt(section, "Maximized", 0);

    MCScreenMetrics metrics = MCScreenMetrics::Get();
    int found = 1;
    if (width == 0 || height == 0) {
        width = metrics.workAreaWidth;
        height = metrics.workAreaHeight;
        found = 0;
    }

    placement.length = MCWindowPlacement::RecordSize;
    placement.normalPosition = {x, y, WrapAdd(x, width), WrapAdd(y, height)};
    placement.minPosition = {0, 0};
    placement.maxPosition = {WrapSub(0, metrics.borderWidth), WrapSub(0, metrics.borderHeight)};
    if (iconic != 0) {
        placement.showCmd = MCWindowPlacement::ShowMinimized;
        placement.flags = maximized > 0 ? MCWindowPlacement::FlagRestoreToMaximized : 0;
    } else {
        placement.showCmd =
            maximized != 0 ? MCWindowPlacement::ShowMaximized : MCWindowPlacement::ShowNormal;
        placement.flags = 0;
    }
    return found;
}

void SaveWindowPrefs(const CString& section, const MCWindowPlacement& placement) {
    std::int32_t iconic = 0;
    std::int32_t maximized = 0;
    if (placement.showCmd == MCWindowPlacement::ShowMinimized) {
        iconic = 1;
        maximized = placement.flags > 0 ? 1 : 0;
    } else {
        maximized = placement.showCmd == MCWindowPlacement::ShowMaximized ? 1 : 0;
    }
    const RECT& r = placement.normalPosition;
    CProfileStore& store = CProfileStore::GetActiveStore();
    // Saving a placement is best effort and has no way to report: a store that refuses a
    // key keeps its earlier value, and reading the placement back falls back to defaults
    // key by key, so a refused write loses nothing but the new position.
    const auto save = [&](const char* key, std::int32_t value) {
        (void)store.WriteProfileInt(section, key, value);
    };
    save("x", r.left);
    save("y", r.top);
    save("Width", WrapSub(r.right, r.left));
    save("Height", WrapSub(r.bottom, r.top));
    save("Iconic", iconic);
    save("Maximized", maximized);
}

void SetScaleParams(float x0, float x1, float y0, float y1, float& scale, float& offset) {
    if (x1 == x0 || std::isunordered(x1, x0)) {
        scale = 0.0f;
        offset = 0.0f;
        return;
    }
    scale = (y1 - y0) / (x1 - x0);
    offset = y1 - x1 * scale;
}

} // namespace clavenor
