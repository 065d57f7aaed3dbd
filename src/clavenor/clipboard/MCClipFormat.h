#pragma once

#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// A clipboard format of the library, registered by name with the platform on first use:
/// `MCClipFormat(MCClipFormat::MusicData)` is the id of the format that carries elements.
/// Ids are the process's own; the names are what other processes see (see CDataTransfer).
class CLAVENOR_API MCClipFormat {
public:
    /// Elements: an archive stream holding one MCObList record (MCOleDataOut::CacheEvents).
    static constexpr const char* MusicData = "Clavenor Music Data";
    /// The info record: an archive stream holding one MCOleDataInfo record.
    static constexpr const char* MusicInfo = "Clavenor Music Info";

    /// Registers `name` (or finds it when already registered). An empty or null name, or a
    /// process that has used up every format id, gives the id 0.
    explicit MCClipFormat(const char* name);

    ///@{
    /// The registered id (0 when registration failed).
    operator std::uint16_t() const { return m_nFormat; }
    std::uint16_t GetFormat() const { return m_nFormat; }
    ///@}

    ///@{
    /// The ids of MusicData and MusicInfo, registered once per process.
    static std::uint16_t Data();
    static std::uint16_t Info();
    ///@}

private:
    std::uint16_t m_nFormat;
};

} // namespace clavenor
