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

/// Example documents that exercise every record the library has.
std::vector<ECPerformance*> MakeSeedDocuments();

} // namespace clavenor::fuzz
