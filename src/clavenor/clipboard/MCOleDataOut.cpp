#include "clavenor/clipboard/MCOleDataOut.h"

#include "clavenor/clipboard/MCClipFormat.h"
#include "clavenor/clipboard/MCOleDataInfo.h"
#include "clavenor/framework/CArchive.h"
#include "clavenor/framework/CMemFile.h"
#include "clavenor/model/MCEventList.h"

#include <new>

namespace clavenor {

namespace {

constexpr std::size_t ArchiveBuffer = 4096;

} // namespace

MCOleDataOut::MCOleDataOut(CDocument* document) : m_pDocument(document) {}

MCOleDataOut::~MCOleDataOut() = default;

template <class Write>
int MCOleDataOut::Cache(std::uint16_t format, Write write) {
    try {
        CMemFile file;
        CArchive ar(&file, CArchive::store, ArchiveBuffer);
        ar.SetDocument(m_pDocument);
        write(ar);
        ar.Close();
        return CacheData(format, file.Detach());
    } catch (const CArchiveException&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}

int MCOleDataOut::CacheEvents(MCEventList& list) {
    if (list.IsEmpty()) {
        return 0;
    }
    return Cache(MCClipFormat::Data(), [&list](CArchive& ar) { list.Serialize(ar); });
}

int MCOleDataOut::CacheInfo(MCOleDataInfo* info) {
    if (info == nullptr) {
        return 0;
    }
    return Cache(MCClipFormat::Info(), [info](CArchive& ar) { info->Serialize(ar); });
}

} // namespace clavenor
