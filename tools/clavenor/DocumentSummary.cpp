#include "DocumentSummary.h"

#include <clavenor/clavenor.h>

#include <cstdio>

namespace clavenor::tool {

namespace {

constexpr int SequenceName = 3;

void Count(ECBase* element, DocumentSummary& summary) {
    MCEventList* children = element->GetChildren();
    if (children == nullptr) {
        return;
    }
    for (ECBase* child : *children) {
        // Shared children are counted under their first parent only.
        if (child->GetParents()->GetCount() > 1 && child->GetParents()->GetHead() != element) {
            continue;
        }
        ++summary.elements;
        switch (child->GetEventId()) {
        case EventId::Note:
        case EventId::GraceNote:
            ++summary.notes;
            break;
        case EventId::Chord:
            ++summary.chords;
            break;
        case EventId::Rest:
            ++summary.rests;
            break;
        case EventId::Text:
        case EventId::Lyric:
            ++summary.texts;
            break;
        case EventId::Tempo:
            ++summary.tempi;
            break;
        case EventId::Meter:
            ++summary.meters;
            break;
        default:
            if (child->IsKindOf(RUNTIME_CLASS(ECEnvPoint)) ||
                child->GetEventId() == EventId::ChannelMode) {
                ++summary.points;
            }
            break;
        }
        Count(child, summary);
    }
}

} // namespace

DocumentSummary::DocumentSummary(ECPerformance& document) {
    Count(&document, *this);
    ECConductor* conductor = document.GetConductor();
    if (conductor == nullptr) {
        return;
    }
    staves = conductor->GetMaxTrackNumber(1);
    measures = conductor->GetMaxMeasureNumber();
    MCTime end = conductor->GetMaxMeasureEndTime();
    quarters = end.GetSeconds();
    ECConductorStaff* staff = conductor->GetConductorStaff();
    if (staff == nullptr) {
        return;
    }
    if (ECTempoEnv* tempi = staff->GetTempoEnv()) {
        tempi->GetClockTime(end);
        seconds = end.GetSeconds();
    }
    MCTime zero(0.0f);
    if (ECMeter* meter = conductor->GetMeterAtTime(zero)) {
        firstMeter =
            std::to_string(meter->GetNumerator()) + "/" + std::to_string(meter->GetDenominator());
    }
    if (ECTempo* tempo = conductor->GetTempoAtTime(zero)) {
        firstTempo = tempo->GetValue();
    }
    for (ECBase* child : *staff->GetChildren()) {
        if (auto* text = dynamic_cast<ECText*>(child);
            text != nullptr && text->GetTextType() == SequenceName && title.empty()) {
            title = text->GetText().GetString();
        }
    }
}

std::string DocumentSummary::Text() const {
    char line[256];
    std::string text;
    if (!title.empty()) {
        text += "title:    " + title + "\n";
    }
    std::snprintf(line, sizeof line, "staves:   %d\n", staves);
    text += line;
    const int minutes = static_cast<int>(seconds / 60.0);
    std::snprintf(line, sizeof line,
                  "length:   %d bars, %g quarter notes, %d:%04.1f (%.1f seconds)\n", measures,
                  quarters, minutes, seconds - minutes * 60.0, seconds);
    text += line;
    if (!firstMeter.empty() || firstTempo > 0.0) {
        std::snprintf(line, sizeof line, "starts:   %s at %g quarter notes per minute\n",
                      firstMeter.c_str(), firstTempo);
        text += line;
    }
    std::snprintf(line, sizeof line, "notes:    %zu (%zu chords), %zu rests\n", notes, chords,
                  rests);
    text += line;
    std::snprintf(line, sizeof line,
                  "marks:    %zu tempo, %zu meter, %zu texts, %zu controller points\n", tempi,
                  meters, texts, points);
    text += line;
    std::snprintf(line, sizeof line, "elements: %zu\n", elements);
    return text + line;
}

} // namespace clavenor::tool
