#include "PianoRoll.h"

#include <clavenor/clavenor.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace clavenor::tool {

namespace {

constexpr double LabelWidth = 200.0;
// What fits in the label column at the font size used.
constexpr std::size_t LabelChars = 34;
constexpr double HeaderHeight = 44.0;
constexpr double BandGap = 8.0;
constexpr double RowHeight = 4.0;
constexpr double MinBandHeight = 48.0;
constexpr double MaxQuarterWidth = 24.0;
constexpr double MaxRollWidth = 6000.0;
constexpr const char* Colors[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd",
                                  "#ff7f0e", "#17becf", "#8c564b", "#e377c2"};

struct NoteBar {
    double start;
    double length;
    int pitch;
    int velocity;
};

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // Control bytes are not allowed in XML; bytes above 127 may not be UTF-8.
            out += (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                       ? '?'
                       : c;
        }
    }
    return out;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

void CollectNotes(ECBase* element, std::vector<NoteBar>& notes) {
    for (ECBase* child : *element->GetChildren()) {
        if (child->GetParents()->GetHead() != element) {
            continue; // a shared child is drawn under its first parent
        }
        const int id = child->GetEventId();
        if (id == EventId::Note || id == EventId::GraceNote) {
            auto* note = static_cast<ECNote*>(child);
            const DCNote* record = MCStandardRecords::FindNote(note);
            notes.push_back({note->GetTime()->GetSeconds(), note->GetDuration()->GetSeconds(),
                             record != nullptr ? record->GetPitch() : 60,
                             record != nullptr ? record->GetVelocity() : 64});
        }
        if (child->GetChildren() != nullptr) {
            CollectNotes(child, notes);
        }
    }
}

} // namespace

void PianoRoll::Write(std::ostream& out) {
    ECConductor* conductor = m_document.GetConductor();
    const int staves = conductor != nullptr ? conductor->GetMaxTrackNumber(1) : 0;
    const double length =
        conductor != nullptr ? std::max(1.0f, conductor->GetMaxMeasureEndTime().GetSeconds()) : 1.0;
    const double scale = std::min(MaxQuarterWidth, MaxRollWidth / length);
    const double rollWidth = length * scale;

    struct Band {
        std::string label;
        std::vector<NoteBar> notes;
        int low = 60;
        int high = 72;
        double top = 0.0;
        double height = MinBandHeight;
    };
    std::vector<Band> bands(static_cast<std::size_t>(staves));
    double y = HeaderHeight;
    for (int n = 1; n <= staves; ++n) {
        Band& band = bands[static_cast<std::size_t>(n - 1)];
        auto* staff = static_cast<ECStaff*>(conductor->GetTrack(1, n, 0));
        band.label = "Staff " + std::to_string(n);
        if (staff != nullptr) {
            for (ECBase* child : *staff->GetChildren()) {
                if (auto* text = dynamic_cast<ECText*>(child);
                    text != nullptr && text->GetTextType() == 3) {
                    band.label += ": " + std::string(text->GetText().GetString());
                    break;
                }
            }
            if (DCMidiTrack* track = MCStandardRecords::FindTrack(staff);
                track != nullptr && track->GetChannel() != DCMidiTrack::None) {
                band.label += " (ch " + std::to_string(track->GetChannel() + 1) + ")";
            }
            CollectNotes(staff, band.notes);
        }
        if (!band.notes.empty()) {
            const auto [lo, hi] = std::minmax_element(
                band.notes.begin(), band.notes.end(),
                [](const NoteBar& a, const NoteBar& b) { return a.pitch < b.pitch; });
            band.low = lo->pitch;
            band.high = hi->pitch;
        }
        band.top = y;
        band.height = std::max(MinBandHeight, (band.high - band.low + 1) * RowHeight);
        y += band.height + BandGap;
    }
    const double width = LabelWidth + rollWidth + 10.0;
    const double height = y + 10.0;

    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Number(width) << "\" height=\""
        << Number(height) << "\" viewBox=\"0 0 " << Number(width) << ' ' << Number(height)
        << "\" font-family=\"sans-serif\" font-size=\"11\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    auto x = [&](double quarters) { return LabelWidth + quarters * scale; };

    // Bands first, bar lines over them, notes on top.
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const Band& band = bands[i];
        out << "<rect x=\"" << Number(LabelWidth) << "\" y=\"" << Number(band.top) << "\" width=\""
            << Number(rollWidth) << "\" height=\"" << Number(band.height) << "\" fill=\""
            << (i % 2 == 0 ? "#f4f4f4" : "#ebebeb") << "\"/>\n"
            << "<text x=\"4\" y=\"" << Number(band.top + 14) << "\">"
            << Escape(band.label.size() > LabelChars ? band.label.substr(0, LabelChars - 3) + "..."
                                                     : band.label)
            << "</text>\n";
    }
    if (conductor != nullptr) {
        const int measures = conductor->GetMaxMeasureNumber();
        const int every = std::max(1, static_cast<int>(40.0 / (scale * 4.0)));
        for (int number = 1; number <= measures; ++number) {
            ECMeasure* measure = conductor->GetMeasure(0, number);
            if (measure == nullptr) {
                continue;
            }
            const double at = x(measure->GetTime()->GetSeconds());
            out << "<line x1=\"" << Number(at) << "\" y1=\"" << Number(HeaderHeight - 4)
                << "\" x2=\"" << Number(at) << "\" y2=\"" << Number(y - BandGap)
                << "\" stroke=\"#bbbbbb\" stroke-width=\"0.5\"/>\n";
            if ((number - 1) % every == 0) {
                out << "<text x=\"" << Number(at + 2) << "\" y=\"" << Number(HeaderHeight - 6)
                    << "\" fill=\"#888888\" font-size=\"9\">" << number << "</text>\n";
            }
        }
        if (ECConductorStaff* staff = conductor->GetConductorStaff()) {
            if (ECMeterEnv* meters = staff->GetMeterEnv()) {
                for (ECBase* child : *meters->GetChildren()) {
                    auto* meter = static_cast<ECMeter*>(child);
                    out << "<text x=\"" << Number(x(meter->GetTime()->GetSeconds()) + 2)
                        << "\" y=\"14\" font-weight=\"bold\">" << int(meter->GetNumerator()) << '/'
                        << int(meter->GetDenominator()) << "</text>\n";
                }
            }
            if (ECTempoEnv* tempi = staff->GetTempoEnv()) {
                for (ECBase* child : *tempi->GetChildren()) {
                    auto* tempo = static_cast<ECTempo*>(child);
                    out << "<text x=\"" << Number(x(tempo->GetTime()->GetSeconds()) + 2)
                        << "\" y=\"27\" fill=\"#555555\">\u2669=" << Number(tempo->GetValue())
                        << "</text>\n";
                }
            }
        }
    }
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const Band& band = bands[i];
        const char* color = Colors[i % std::size(Colors)];
        const double rows = band.height / (band.high - band.low + 1);
        for (const NoteBar& note : band.notes) {
            const double top = band.top + (band.high - note.pitch) * rows;
            out << "<rect x=\"" << Number(x(note.start)) << "\" y=\"" << Number(top)
                << "\" width=\"" << Number(std::max(1.0, note.length * scale)) << "\" height=\""
                << Number(std::max(1.0, rows - 0.5)) << "\" fill=\"" << color
                << "\" fill-opacity=\"" << Number(0.35 + 0.65 * note.velocity / 127.0) << "\"/>\n";
        }
    }
    out << "</svg>\n";
}

} // namespace clavenor::tool
