#pragma once

#include "clavenor/framework/Export.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace clavenor {

/// The compressed MusicXML container (.mxl): a zip archive whose META-INF/container.xml
/// names the score inside it (the first rootfile that is MusicXML). Unpack takes the score's
/// XML text out of one; Pack makes one around a score.
///
/// An .mxl file comes from outside, and a few kilobytes of zip can claim, or inflate to,
/// gigabytes: Unpack reads no entry past its bound, whatever the archive declares, so memory
/// and time stay proportional to the bound.
class CLAVENOR_API MusicXmlContainer {
public:
    /// Bounds on what Unpack inflates; the defaults are far above real scores.
    struct Limits {
        /// The most bytes the score's XML text may inflate to.
        std::size_t maxScoreBytes = std::size_t{256} << 20;
        /// The most bytes META-INF/container.xml may inflate to.
        std::size_t maxContainerBytes = std::size_t{1} << 20;
    };

    /// Whether `bytes` begin as a zip archive does ("PK", 3, 4), which is how an .mxl file is
    /// told from plain XML whatever its name.
    static bool IsCompressed(std::span<const std::uint8_t> bytes);

    /// The XML text of the score inside the archive. When the archive has no container.xml,
    /// or it names no MusicXML rootfile, the first entry outside META-INF whose name ends in
    /// .musicxml or .xml is taken (a repair some writers need). Throws MusicXmlException
    /// (without a line) when the bytes are no zip archive, when no score is found, and when an
    /// entry is damaged or larger than its bound.
    static std::string Unpack(std::span<const std::uint8_t> bytes, const Limits& limits);

    /// An .mxl archive holding `xml` as the entry `scoreName` (for instance "score.musicxml"):
    /// first the stored mimetype entry, then META-INF/container.xml, then the score,
    /// deflated. Throws MusicXmlException when the archive cannot be made, std::bad_alloc
    /// when memory runs out.
    static std::vector<std::uint8_t> Pack(std::string_view xml, const std::string& scoreName);
};

} // namespace clavenor
