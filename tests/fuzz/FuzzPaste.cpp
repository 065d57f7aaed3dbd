#include "FuzzPaste.h"

#include "FuzzDocuments.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace clavenor::fuzz {

namespace {

constexpr std::uint8_t kOfferMask = 0x3;
constexpr std::uint8_t kOfferData = 0;
constexpr std::uint8_t kOfferInfo = 1;
constexpr std::uint8_t kOfferSplit = 2;
constexpr std::uint8_t kDrop = 0x4;
constexpr std::uint8_t kOldActiveDocument = 0x8;

CTransferData::Payload Bytes(const std::uint8_t* data, std::size_t size) {
    return std::make_shared<const CTransferData::Bytes>(data, data + size);
}

std::shared_ptr<CTransferData> Offer(const std::uint8_t* data, std::size_t size) {
    auto transfer = std::make_shared<CTransferData>();
    const std::uint8_t how = data[0] & kOfferMask;
    ++data;
    --size;
    if (how == kOfferSplit) {
        std::size_t info = 0;
        if (size >= 2) {
            info = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
            data += 2;
            size -= 2;
        }
        transfer->SetFormat(MCClipFormat::MusicInfo, Bytes(data, info));
        transfer->SetFormat(MCClipFormat::MusicData, Bytes(data + info, size - info));
        return transfer;
    }
    if (how != kOfferInfo) {
        transfer->SetFormat(MCClipFormat::MusicData, Bytes(data, size));
    }
    if (how != kOfferData) {
        transfer->SetFormat(MCClipFormat::MusicInfo, Bytes(data, size));
    }
    return transfer;
}

// Gives `document` a conductor, a staff and a measure for the paste to land in, and returns
// the measure; null when a link was refused (no memory), with what was not linked deleted.
ECMeasure* PasteTarget(ECPerformance* document) {
    auto* conductor = new ECConductor;
    if (document->AddChild(conductor, 0) == 0) {
        delete conductor;
        return nullptr;
    }
    auto* staff = new ECStaff;
    if (conductor->AddChild(staff, 1) == 0) {
        delete staff;
        return nullptr;
    }
    auto* measure = new ECMeasure;
    if (staff->AddChild(measure, 1) == 0) {
        delete measure;
        return nullptr;
    }
    return measure;
}

} // namespace

void PasteOne(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    RegisterDataClasses();
    auto* document = new ECPerformance;
    ECMeasure* measure = PasteTarget(document);
    if (measure == nullptr) {
        delete document;
        return;
    }
    static CMemDataTransfer clipboard;
    CDataTransfer* previousService = CDataTransfer::SetActive(&clipboard);
    std::shared_ptr<CTransferData> transfer = Offer(data, size);
    clipboard.SetClipboard(transfer);

    ECPerformance old;
    old.SetVersion(0);
    ECPerformance* previousActive = ECPerformance::SetActivePerformance(
        (data[0] & kOldActiveDocument) != 0 ? &old : ECPerformance::GetActivePerformance());

    COleDataObject dropped;
    CCPaste* paste = nullptr;
    if ((data[0] & kDrop) != 0) {
        auto* drop = new CCDrop;
        dropped.Attach(transfer);
        drop->SetDataObject(&dropped);
        paste = drop;
    } else {
        paste = new CCPaste;
    }
    paste->Ref();
    paste->SetSynchronous(1);
    if (paste->Apply(document) == 0) {
        std::abort(); // a synchronous command on a document always runs
    }

    MCEventList& events = paste->GetEvents();
    const bool failed = !paste->GetError().IsEmpty();
    if (failed && (!events.IsEmpty() || paste->GetDataInfo() != nullptr)) {
        std::abort(); // a damaged paste gives nothing at all
    }
    if (!events.IsEmpty()) {
        // What the library read, it must write and read again.
        MCEventList again;
        if (CCCopy::DoCopyEvents(events, again, nullptr) != 1 ||
            again.GetCount() != events.GetCount()) {
            std::abort();
        }
        MCOleDataIn::ReleaseEvents(again);
        auto* add = new CCAdd;
        add->SetSynchronous(1);
        for (POSITION pos = events.GetHeadPosition(); pos != nullptr;) {
            add->Add(events.GetNext(pos), measure, FCMidi::MidiNull());
        }
        if (add->Apply(document) == 0) {
            std::abort(); // as the paste
        }
    }
    paste->Unref(1);
    ECPerformance::SetActivePerformance(previousActive);
    delete document;
    MCCommandMgr::OnIdle();
    CDataTransfer::SetActive(previousService);
}

std::vector<std::vector<std::uint8_t>> MakePasteSeeds() {
    std::vector<std::vector<std::uint8_t>> seeds;
    for (ECPerformance* document : MakeSeedDocuments()) {
        // Every element below the root with its subtree, all at once. The walk's list holds
        // the root too: a reference of our own keeps the list from destroying it.
        std::shared_ptr<const CTransferData> transfer;
        document->Ref();
        {
            MCEventList all;
            ACFindEvents find;
            find.Apply(document);
            for (POSITION pos = find.GetEvents()->GetHeadPosition(); pos != nullptr;) {
                ECBase* element = find.GetEvents()->GetNext(pos);
                if (element != document && all.AddTail(element) == nullptr) {
                    throw std::bad_alloc();
                }
            }
            all.CollapseToAncestors();
            MCOleDataInfo info;
            info.SetEventType(all.GetEventType());
            info.SetInfo(1, "seed", 5);
            MCOleDataOut out;
            if (out.CacheEvents(all) != 0 && out.CacheInfo(&info) != 0) {
                transfer = out.GetTransferData();
            }
        }
        document->Unref(0);
        delete document;
        if (transfer == nullptr) {
            continue;
        }
        const CTransferData::Bytes& infoBytes = *transfer->GetFormat(MCClipFormat::MusicInfo);
        const CTransferData::Bytes& dataBytes = *transfer->GetFormat(MCClipFormat::MusicData);
        std::vector<std::uint8_t> seed = {kOfferSplit, static_cast<std::uint8_t>(infoBytes.size()),
                                          static_cast<std::uint8_t>(infoBytes.size() >> 8)};
        seed.insert(seed.end(), infoBytes.begin(), infoBytes.end());
        seed.insert(seed.end(), dataBytes.begin(), dataBytes.end());
        seeds.push_back(seed);
        seed[0] |= kDrop | kOldActiveDocument;
        seeds.push_back(std::move(seed));
        std::vector<std::uint8_t> dataOnly = {kOfferData};
        dataOnly.insert(dataOnly.end(), dataBytes.begin(), dataBytes.end());
        seeds.push_back(std::move(dataOnly));
    }
    return seeds;
}

} // namespace clavenor::fuzz
