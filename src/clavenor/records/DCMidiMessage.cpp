#include "clavenor/records/DCMidiMessage.h"

#include "clavenor/framework/CArchive.h"

#include <algorithm>

namespace clavenor {

IMPLEMENT_SERIAL(DCMidiMessage, DCBase, 2 | CRuntimeClass::VersionableSchema)

DCMidiMessage::DCMidiMessage(const DCMidiMessage& other)
    : DCBase(other), m_nStatus(other.m_nStatus), m_nMetaType(other.m_nMetaType),
      m_data(other.m_data) {}

DCMidiMessage::~DCMidiMessage() = default;

DCMidiMessage& DCMidiMessage::operator=(const DCMidiMessage& other) {
    m_nStatus = other.m_nStatus;
    m_nMetaType = other.m_nMetaType;
    m_data = other.m_data;
    return *this;
}

bool DCMidiMessage::operator==(const DCMidiMessage& other) const {
    return DCBase::operator==(other) && m_nStatus == other.m_nStatus &&
           m_nMetaType == other.m_nMetaType && m_data == other.m_data;
}

void DCMidiMessage::Serialize(CArchive& ar) {
    DCBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << Layout << m_nStatus << m_nMetaType;
        ar.WriteCount(static_cast<std::uint32_t>(m_data.size()));
        ar.Write(m_data.data(), m_data.size());
        return;
    }
    std::uint8_t layout = 0;
    ar >> layout;
    if (layout != Layout) {
        throw CArchiveException(CArchiveException::badSchema, "unknown message record layout");
    }
    std::uint8_t status = 0;
    std::uint8_t metaType = 0;
    ar >> status >> metaType;
    const std::uint32_t count = ar.ReadCount();
    // Grow with what the stream really holds, so that a lying count costs no memory.
    constexpr std::size_t Chunk = 1 << 16;
    std::vector<std::uint8_t> data;
    for (std::size_t done = 0; done < count;) {
        const std::size_t step = std::min<std::size_t>(Chunk, count - done);
        data.resize(done + step);
        ar.Read(data.data() + done, step);
        done += step;
    }
    if (SetMessage(status, metaType, data.data(), data.size()) == 0) {
        throw CArchiveException(CArchiveException::genericException,
                                "message record with status " + std::to_string(status));
    }
}

DCBase* DCMidiMessage::Copy(CObject* src) {
    if (src != nullptr && src->IsKindOf(RUNTIME_CLASS(DCMidiMessage))) {
        *this = *static_cast<DCMidiMessage*>(src);
    }
    return this;
}

int DCMidiMessage::SetMessage(std::uint8_t status, std::uint8_t metaType, const std::uint8_t* data,
                              std::size_t size) {
    if ((status != SysEx && status != SysExEscape && status != Meta) || metaType > 127 ||
        (data == nullptr && size != 0)) {
        return 0;
    }
    m_data.assign(data, data + size);
    m_nStatus = status;
    m_nMetaType = status == Meta ? metaType : 0;
    return 1;
}

} // namespace clavenor
