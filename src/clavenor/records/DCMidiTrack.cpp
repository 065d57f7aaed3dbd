#include "clavenor/records/DCMidiTrack.h"

#include "clavenor/framework/CArchive.h"

namespace clavenor {

IMPLEMENT_SERIAL(DCMidiTrack, DCBase, 2 | CRuntimeClass::VersionableSchema)

DCMidiTrack::DCMidiTrack(const DCMidiTrack& other)
    : DCBase(other), m_nChannel(other.m_nChannel), m_nPort(other.m_nPort) {}

DCMidiTrack::~DCMidiTrack() = default;

DCMidiTrack& DCMidiTrack::operator=(const DCMidiTrack& other) {
    m_nChannel = other.m_nChannel;
    m_nPort = other.m_nPort;
    return *this;
}

bool DCMidiTrack::operator==(const DCMidiTrack& other) const {
    return DCBase::operator==(other) && m_nChannel == other.m_nChannel && m_nPort == other.m_nPort;
}

void DCMidiTrack::Serialize(CArchive& ar) {
    DCBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << Layout << m_nChannel << m_nPort;
        return;
    }
    std::uint8_t layout = 0;
    ar >> layout;
    if (layout != Layout) {
        throw CArchiveException(CArchiveException::badSchema, "unknown track record layout");
    }
    std::uint8_t channel = None;
    std::uint8_t port = None;
    ar >> channel >> port;
    // Values out of range read as "none" rather than failing the whole document.
    if (SetChannel(channel) == 0) {
        m_nChannel = None;
    }
    if (SetPort(port) == 0) {
        m_nPort = None;
    }
}

DCBase* DCMidiTrack::Copy(CObject* src) {
    if (src != nullptr && src->IsKindOf(RUNTIME_CLASS(DCMidiTrack))) {
        *this = *static_cast<DCMidiTrack*>(src);
    }
    return this;
}

int DCMidiTrack::SetChannel(int channel) {
    if (channel != None && (channel < 0 || channel > 15)) {
        return 0;
    }
    m_nChannel = static_cast<std::uint8_t>(channel);
    return 1;
}

int DCMidiTrack::SetPort(int port) {
    if (port != None && (port < 0 || port > 127)) {
        return 0;
    }
    m_nPort = static_cast<std::uint8_t>(port);
    return 1;
}

} // namespace clavenor
