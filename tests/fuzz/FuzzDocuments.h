#pragma once

#include <clavenor/clavenor.h>

#include <cstdint>
#include <vector>

namespace clavenor::fuzz {

/// The first byte of a fuzz input selects the document version the rest is loaded with:
/// 0 to 4 as they stand, anything else the current layout.
std::int32_t VersionFromSelector(std::uint8_t selector);

/// Registers the data classes that seeds use, once.
void RegisterDataClasses();

/// Writes `document` the way a host saves it: the main pass, then the fix-up pass.
std::vector<std::uint8_t> Save(ECPerformance* document);

/// Loads bytes written by Save into a new performance of `version`, made active for the
/// load. Throws CArchiveException (after deleting the partial document) on a bad stream.
ECPerformance* Load(const std::uint8_t* data, std::size_t size, std::int32_t version);

/// A score built through its conductor: two staves (the second of staff type 1, grouped with
/// the first), a wave track, ten measures in 4/4, 3/4 and 6/8, tempo marks with a ramp and a
/// pause, notes in the measures found by time. The structure the conductor creates on first
/// use comes through commands, so the calling thread must own the message queue (the first
/// performance a thread makes gives it that).
ECPerformance* MakeScoreDocument();

/// Asks a loaded document's conductor what a host would: measures at and before times, the
/// measure of every staff, meters and tempi in force, conversions to bar/pulse/tick and
/// seconds and back, measure ranges, and one measure appended past the end. Bounded work
/// whatever the document holds; the document may gain structure (made through commands).
void QueryTimeline(ECPerformance* document);

/// Example documents that exercise every record the library has.
std::vector<ECPerformance*> MakeSeedDocuments();

/// Document streams (for Load, without the selector byte) of shapes the writer never
/// makes, for hostile-input tests and seeds:
///  - `chains` chains of `length` containers, each read inside the owner slot of a data
///    record and ending in the previous chain's first element, all under one container: a
///    graph about chains * length deep whose records nest only about `length` deep;
///  - a chain of `diamonds` diamonds (an element with two children that share one child),
///    whose walks from the top meet the bottom once per way down, 2^diamonds times;
///  - `parents` containers that share one child.
std::vector<std::uint8_t> DeepChainsStream(int chains, int length);
std::vector<std::uint8_t> DiamondsStream(int diamonds);
std::vector<std::uint8_t> SharedChildStream(int parents);

} // namespace clavenor::fuzz
