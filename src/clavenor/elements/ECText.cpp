#include "clavenor/elements/ECText.h"

#include "clavenor/framework/CArchive.h"
#include "clavenor/model/EventRegistry.h"
#include "clavenor/strings/DisplayStrings.h"

namespace clavenor {

IMPLEMENT_SERIAL(ECText, ECWithTime, 2 | CRuntimeClass::VersionableSchema)
IMPLEMENT_EVENT_CLASS(ECText, EventId::Text)

namespace {

constexpr int LastTextType = 20;
constexpr int UntypedPointSize = 10;

// The default point size of each text type; changed by SetDefaultPointSize.
int s_pointSizes[LastTextType + 1] = {10, 9,  10, 10, 10, 10, 10, 12, 24, 14, 10,
                                      10, 10, 24, 12, 12, 12, 10, 10, 10, 10};

CString NameText(ECBase* e) { return GetTextString(static_cast<ECText*>(e)->GetTextType()); }

const EventSubtypeNamerRegistrar s_namer(EventId::Text, &NameText);

} // namespace

ECText::ECText() { InitStyle(); }

ECText::ECText(std::uint8_t type, const CString& text) : m_text(text) {
    SetSubtype(type);
    InitStyle();
}

ECText::ECText(const ECText& other) : ECWithTime(other) { *this = other; }

ECText::~ECText() = default;

ECText& ECText::operator=(const ECText& other) {
    ECWithTime::operator=(other);
    m_text = other.m_text;
    SetSubtype(other.GetSubtype());
    m_nStyle = (m_nStyle & ~(StyleBits | SizeMask)) | (other.m_nStyle & (StyleBits | SizeMask));
    return *this;
}

bool ECText::operator==(const ECText& other) const {
    return GetTextType() == other.GetTextType() && m_text == other.m_text &&
           (m_nStyle & (StyleBits | SizeMask)) == (other.m_nStyle & (StyleBits | SizeMask));
}

void ECText::InitStyle() {
    m_nStyle &= ~StyleBits;
    SetPointSize(GetDefaultPointSize(GetTextType()));
}

void ECText::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << GetTextType() << m_text << m_nStyle;
        return;
    }
    std::uint8_t type = 0;
    ar >> type >> m_text >> m_nStyle;
    SetTextType(type);
}

ECBase* ECText::Copy(CObject* src) { return CopyAs(this, src); }

int ECText::GetEventId() const { return EventId::Text; }

int ECText::GetParentTypes(CArray<int, int>& types) {
    const int type = GetTextType();
    if (type == 0 || type == 3 || type == 4) {
        types.Add(EventId::Staff);
        return 1;
    }
    if (type == 1 || (type >= 5 && type <= LastTextType)) {
        types.Add(EventId::ConductorStaff);
        return 1;
    }
    return 0;
}

void ECText::SetPointSize(int size) {
    m_nStyle = (m_nStyle & ~SizeMask) | ((static_cast<std::uint32_t>(size) & 0xFF) << SizeShift);
}

void ECText::SetStyleBit(std::uint32_t bit, int on) {
    m_nStyle = on != 0 ? (m_nStyle | bit) : (m_nStyle & ~bit);
}

int ECText::GetTextLines(CArray<CString>& lines) const {
    lines.RemoveAll();
    const std::string& text = m_text.str();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        if (stop > start) {
            lines.Add(CString(text.substr(start, stop - start)));
        }
        start = stop + 1;
    }
    return lines.GetSize();
}

int ECText::IsTitlePageText(int type) {
    return type == 1 || type == 3 || type == 4 || (type >= 7 && type <= 13) ||
                   (type >= 16 && type <= LastTextType)
               ? 1
               : 0;
}

int ECText::GetDefaultPointSize(int type) {
    return type >= 0 && type <= LastTextType ? s_pointSizes[type] : UntypedPointSize;
}

void ECText::SetDefaultPointSize(int type, int size) {
    if (type >= 0 && type <= LastTextType) {
        s_pointSizes[type] = size & 0xFF;
    }
}

} // namespace clavenor
