#pragma once

#include <cstddef>
#include <string>

namespace clavenor {
class ECPerformance;
}

namespace clavenor::tool {

/// What `clavenor info` tells of a document: its title, staves, measures, what they hold
/// and how long it lasts in bars, quarter notes and seconds.
class DocumentSummary {
public:
    explicit DocumentSummary(ECPerformance& document);

    std::string title;
    int staves = 0;
    int measures = 0;
    std::size_t notes = 0;
    std::size_t chords = 0;
    std::size_t rests = 0;
    std::size_t points = 0;
    std::size_t texts = 0;
    std::size_t tempi = 0;
    std::size_t meters = 0;
    std::size_t elements = 0;
    double quarters = 0.0;
    double seconds = 0.0;
    std::string firstMeter;
    double firstTempo = 0.0;

    /// Lines of "name: value".
    std::string Text() const;
};

} // namespace clavenor::tool
