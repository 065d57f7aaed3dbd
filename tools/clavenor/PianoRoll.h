#pragma once

#include <ostream>

namespace clavenor {
class ECPerformance;
}

namespace clavenor::tool {

/// A piano-roll picture of a document as plain SVG: one band per staff (its number, name and
/// channel at the left), notes as bars placed by pitch and time and shaded by velocity, a
/// line at every bar line, and the meter and tempo changes written above the bands.
class PianoRoll {
public:
    explicit PianoRoll(ECPerformance& document) : m_document(document) {}

    void Write(std::ostream& out);

private:
    ECPerformance& m_document;
};

} // namespace clavenor::tool
