#include "TreeDump.h"

#include <clavenor/clavenor.h>

#include <cstdio>
#include <iomanip>
#include <sstream>

namespace clavenor::tool {

namespace {

using Json = nlohmann::ordered_json;

Json TimeValue(const MCTime& time) {
    if (time.GetMode() == MCTime::ModeBarPulseTick) {
        const BPTTime& bpt = time.GetBarPulseTick();
        return {{"bar", bpt.bar}, {"pulse", bpt.pulse}, {"tick", bpt.tick}};
    }
    return time.GetSeconds();
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::ostringstream text;
    text << std::hex << std::uppercase << std::setfill('0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text << (i != 0 ? " " : "") << std::setw(2) << static_cast<int>(bytes[i]);
    }
    return text.str();
}

std::string TextOf(const Json& value) {
    if (value.is_number_float()) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value.get<double>());
        return text;
    }
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about "x" + string.
    std::string text;
    if (value.is_string()) {
        text += '"';
        text += value.get<std::string>();
        text += '"';
        return text;
    }
    if (value.is_object()) {
        for (const auto& [key, item] : value.items()) {
            if (!text.empty()) {
                text += ':';
            }
            text += item.dump();
        }
        return text;
    }
    return value.dump();
}

} // namespace

Json TreeDump::Fields(ECBase* element) {
    Json fields;
    fields["class"] = element->GetRuntimeClass()->m_lpszClassName;
    if (MCTime* time = element->GetTime(); time != nullptr && *time != MCTime::TimeNull()) {
        fields["time"] = TimeValue(*time);
    }
    if (MCTime* duration = element->GetDuration(); duration != nullptr) {
        fields["duration"] = TimeValue(*duration);
    }
    if (MCVoiceTrack* vt = element->GetVoiceTrack(); vt != nullptr) {
        if (vt->IsConverted() != 0) {
            fields["device"] = vt->GetDevice();
            fields["channel"] = vt->GetChannel();
        } else {
            if (vt->GetVoice() != 15) {
                fields["voice"] = vt->GetVoice();
            }
            if (vt->GetTrack() != 2047) {
                fields["track"] = vt->GetTrack();
            }
        }
    }
    if (DCNote* note = MCStandardRecords::FindNote(element)) {
        fields["pitch"] = note->GetPitch();
        fields["name"] =
            GetPitchString(note->GetPitch(), note->GetSpelling() < 0 ? PitchFlats : PitchSharps)
                .GetString();
        fields["velocity"] = note->GetVelocity();
        fields["release"] = note->GetReleaseVelocity();
        if (note->GetSpelling() != DCNote::AutoSpelling) {
            fields["spelling"] = note->GetSpelling();
        }
    }
    if (auto* rest = dynamic_cast<ECRest*>(element)) {
        fields["rest type"] = rest->GetRestType();
    }
    if (auto* control = dynamic_cast<ECControlChange*>(element)) {
        fields["controller"] = control->GetControllerNum();
    }
    if (auto* meter = dynamic_cast<ECMeter*>(element)) {
        fields["meter"] =
            std::to_string(meter->GetNumerator()) + "/" + std::to_string(meter->GetDenominator());
    } else if (auto* tempo = dynamic_cast<ECTempo*>(element)) {
        fields["tempo"] = tempo->GetValue();
    } else if (auto* point = dynamic_cast<ECEnvPoint*>(element)) {
        fields["value"] = point->GetValue();
    }
    if (auto* envelope = dynamic_cast<ECControllerEnv*>(element)) {
        fields["controller"] = envelope->GetControllerType();
    }
    if (auto* text = dynamic_cast<ECText*>(element)) {
        fields["text type"] = text->GetTextType();
        fields["text"] = text->GetText().GetString();
    }
    if (auto* message = dynamic_cast<ECSystemMessage*>(element)) {
        fields["message type"] = message->GetMessageType();
        if (!message->GetMessageName().IsEmpty()) {
            fields["message name"] = message->GetMessageName().GetString();
        }
    }
    if (DCMidiMessage* bytes = MCStandardRecords::FindMessage(element)) {
        if (bytes->GetStatus() == DCMidiMessage::Meta) {
            fields["meta type"] = bytes->GetMetaType();
        }
        fields["bytes"] = Hex(bytes->GetData());
    }
    if (DCMidiTrack* track = MCStandardRecords::FindTrack(element)) {
        if (track->GetChannel() != DCMidiTrack::None) {
            fields["midi channel"] = track->GetChannel() + 1;
        }
        if (track->GetPort() != DCMidiTrack::None) {
            fields["midi port"] = track->GetPort();
        }
    }
    return fields;
}

int TreeDump::IdOf(ECBase* element) {
    auto [at, added] = m_ids.try_emplace(element, static_cast<int>(m_ids.size()) + 1);
    return at->second;
}

void TreeDump::WriteText(std::ostream& out) { Text(m_root, 0, out); }

void TreeDump::Text(ECBase* element, int depth, std::ostream& out) {
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ');
    const bool shared = element->GetParents()->GetCount() > 1;
    if (shared && m_shown[element]) {
        out << "(see #" << IdOf(element) << ")\n";
        return;
    }
    const Json fields = Fields(element);
    bool first = true;
    for (const auto& [key, value] : fields.items()) {
        if (first) {
            out << value.get<std::string>();
            first = false;
        } else {
            out << ' ' << key << '=' << TextOf(value);
        }
    }
    if (shared) {
        out << " #" << IdOf(element);
        m_shown[element] = true;
    }
    out << '\n';
    if (MCEventList* children = element->GetChildren()) {
        for (ECBase* child : *children) {
            Text(child, depth + 1, out);
        }
    }
}

Json TreeDump::ToJson() { return Node(m_root); }

Json TreeDump::Node(ECBase* element) {
    const bool shared = element->GetParents()->GetCount() > 1;
    if (shared && m_shown[element]) {
        return {{"ref", IdOf(element)}};
    }
    nlohmann::ordered_json node = Fields(element);
    if (shared) {
        node["id"] = IdOf(element);
        m_shown[element] = true;
    }
    MCEventList* children = element->GetChildren();
    if (children != nullptr && !children->IsEmpty()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (ECBase* child : *children) {
            list.push_back(Node(child));
        }
        node["children"] = std::move(list);
    }
    return node;
}

} // namespace clavenor::tool
