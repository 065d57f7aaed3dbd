#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace clavenor::test {
namespace {

Bytes PayloadOf(const COleDataSource& source, std::uint16_t format) {
    CTransferData::Payload payload =
        source.GetTransferData()->GetFormat(GetClipboardFormatName(format));
    return payload != nullptr ? *payload : Bytes();
}

TEST(OleDataInfo, TheRecordListsBucketsInOrderAndNewestFirstWithinABucket) {
    MCOleDataInfo info;
    EXPECT_EQ(info.GetEventType(), -1);
    info.SetEventType(EventId::Note);
    ASSERT_EQ(info.SetInfo(0, "a", 1), 1);
    ASSERT_EQ(info.SetInfo(16, "bb", 2), 1);
    ASSERT_EQ(info.SetInfo(1, "c", 1), 1);
    ASSERT_EQ(info.SetInfo(-1, nullptr, 0), 1);
    EXPECT_EQ(MCOleDataInfo::BucketOf(-1), 0xFFFFFFFu % 17);
    EXPECT_EQ(info.GetKeys(), (std::vector<int>{1, 0, 16, -1}));
    EXPECT_EQ(Store([&](CArchive& ar) { info.Serialize(ar); }),
              X("25000000 0400  01000000 01000000 'c  00000000 01000000 'a "
                "10000000 02000000 'bb  FFFFFFFF 00000000"));
}

TEST(OleDataInfo, AKeyKeepsItsFirstPayloadAndStoredItemsBelongToTheRecord) {
    MCOleDataInfo info;
    EXPECT_EQ(info.SetInfo(5, "first", 6), 1);
    EXPECT_EQ(info.SetInfo(5, "second", 7), 0);
    const void* data = nullptr;
    int size = 0;
    ASSERT_EQ(info.GetInfo(5, data, size), 1);
    EXPECT_STREQ(static_cast<const char*>(data), "first");
    EXPECT_EQ(size, 6);
    EXPECT_EQ(info.GetInfo(6, data, size), 0);

    auto* item = new MCOleInfoItem(3, "xyz");
    EXPECT_EQ(info.SetInfo(5, item), 0) << "refused: the caller keeps the item";
    EXPECT_EQ(info.SetInfo(7, item), 1);
    EXPECT_EQ(info.GetItem(7), item);
    MCOleInfoItem unfilled;
    EXPECT_EQ(info.GetInfo(7, &unfilled), 1);
    EXPECT_EQ(unfilled.GetInfo(), nullptr) << "this form only tells whether the key is there";
    EXPECT_EQ(info.GetCount(), 2);

    MCOleInfoItem copy(*item);
    EXPECT_NE(copy.GetInfo(), item->GetInfo());
    copy.SetInfoSize(5);
    EXPECT_EQ(std::string(static_cast<const char*>(copy.GetInfo()), 5), std::string("xyz\0\0", 5));
    copy.SetInfoSize(-2);
    EXPECT_EQ(copy.GetInfo(), nullptr);
    EXPECT_EQ(MCOleInfoItem(4, nullptr).GetInfoSize(), 0);
}

TEST(OleDataInfo, LoadingReplacesKeysInPlaceAndRefusesForeignSchemasAndLyingSizes) {
    MCOleDataInfo info;
    info.SetInfo(0, "old", 3);
    info.SetInfo(1, "x", 1);
    Load(X("0C000000 0200  00000000 03000000 'new  22000000 FEFFFFFF"),
         [&](CArchive& ar) { info.Serialize(ar); });
    EXPECT_EQ(info.GetEventType(), 12);
    EXPECT_EQ(info.GetKeys(), (std::vector<int>{1, 0, 34}));
    EXPECT_EQ(std::string(static_cast<const char*>(info.GetItem(0)->GetInfo()), 3), "new");
    EXPECT_EQ(info.GetItem(34)->GetInfoSize(), -2);

    auto read = [](CArchive& ar) { delete ar.ReadObject(RUNTIME_CLASS(MCOleDataInfo)); };
    EXPECT_EQ(LoadCause(X("@MCOleDataInfo/1 FFFFFFFF 0000"), read), CArchiveException::none);
    EXPECT_EQ(LoadCause(X("@MCOleDataInfo/2 FFFFFFFF 0000"), read), CArchiveException::badSchema);

    ResetLargestAllocation();
    MCOleDataInfo lying;
    EXPECT_EQ(LoadCause(X("FFFFFFFF 0100 01000000 FFFFFF7F 'only-these-bytes"),
                        [&](CArchive& ar) { lying.Serialize(ar); }),
              CArchiveException::endOfFile);
    EXPECT_LT(LargestAllocation(), 1u << 20) << "the size is not believed before the bytes come";
}

// Elements written by a data out and read back by a data in.
class Transfer : public ::testing::Test {
protected:
    Transfer() {
        EXPECT_EQ(m_chord->AddChild(m_note, 1), 1);
        EXPECT_EQ(m_chord->AddChild(new TLeaf(1.0f), 1), 1);
        EXPECT_NE(m_events.AddTail(m_chord), nullptr);
    }
    ~Transfer() override {
        m_events.RemoveAll();
        delete m_chord;
    }

    // The elements of `list` after a trip through a data out and a data in.
    void Copy(MCEventList& list, MCEventList& copies) {
        MCOleDataOut out;
        ASSERT_EQ(out.CacheEvents(list), 1);
        MCOleDataIn in;
        in.Attach(out.GetTransferData());
        copies.AddTail(&in.GetEvents());
    }

    Bytes ChordPayload() {
        MCOleDataOut out;
        out.CacheEvents(m_events);
        return PayloadOf(out, MCClipFormat::Data());
    }

    // Reads `payload` as elements; returns the cause of the failure, or none.
    static CArchiveException::Cause Paste(const Bytes& payload) {
        auto data = std::make_shared<CTransferData>();
        data->SetFormat(MCClipFormat::MusicData,
                        std::make_shared<const CTransferData::Bytes>(payload));
        MCOleDataIn in;
        in.Attach(data);
        try {
            in.GetEvents();
        } catch (const CArchiveException& e) {
            return e.m_cause;
        }
        return CArchiveException::none;
    }

    TNode* m_chord = new TNode(EventId::Chord, 1.0f);
    TLeaf* m_note = new TLeaf(1.0f);
    MCEventList m_events;
};

TEST_F(Transfer, ElementsTravelAsOneListRecordAndTheInfoAsItsOwnRecord) {
    EXPECT_EQ(ChordPayload(), X("0100 @TNode 02 0200 @TLeaf 00 00 0000803F FF7F "
                                "0380 00 00 0000803F FF7F  00 0000803F FF7F"));
    EXPECT_EQ(MCClipFormat(MCClipFormat::MusicData), MCClipFormat::Data());
    EXPECT_EQ(GetClipboardFormatName(MCClipFormat::Info()), "Clavenor Music Info");

    MCOleDataOut out;
    MCEventList empty;
    EXPECT_EQ(out.CacheEvents(empty), 0);
    EXPECT_EQ(out.CacheInfo(nullptr), 0);
    EXPECT_EQ(out.IsDataAvailable(MCClipFormat::Data()), 0);
    MCOleDataInfo info;
    info.SetInfo(3, "k", 1);
    ASSERT_EQ(out.CacheInfo(&info), 1);
    EXPECT_EQ(PayloadOf(out, MCClipFormat::Info()), X("FFFFFFFF 0100 03000000 01000000 'k"));

    MCOleDataIn in;
    EXPECT_EQ(in.GetInfo(), nullptr) << "attached to nothing";
    in.Attach(out.GetTransferData());
    ASSERT_NE(in.GetInfo(), nullptr);
    EXPECT_EQ(in.GetInfo()->GetKeys(), std::vector<int>{3});
    EXPECT_TRUE(in.GetEvents().IsEmpty()) << "no data format offered";
    EXPECT_EQ(in.HasValidData(), 1);
    EXPECT_EQ(in.HasFormat(MCClipFormat::Data(), 0), 0);
    in.Release();
    EXPECT_EQ(in.HasFormat(MCClipFormat::Info(), 1), 0);
}

TEST_F(Transfer, AChordArrivesAsANewChordWithNewNotesAndTheOriginalIsUntouched) {
    const int live = g_liveElements;
    {
        MCEventList copies;
        Copy(m_events, copies);
        ASSERT_EQ(copies.GetCount(), 1);
        ECBase* chord = copies.GetHead();
        EXPECT_NE(chord, m_chord);
        EXPECT_EQ(chord->GetEventId(), EventId::Chord);
        EXPECT_TRUE(chord->GetParents()->IsEmpty());
        ASSERT_EQ(chord->GetChildren()->GetCount(), 2);
        ECBase* note = chord->GetChildren()->GetHead();
        EXPECT_NE(note, m_note);
        EXPECT_EQ(note->GetParents()->GetHead(), chord);
        EXPECT_EQ(g_liveElements, live + 3);
        EXPECT_EQ(m_note->GetParents()->GetCount(), 1);
        EXPECT_EQ(m_chord->GetRefCount(), 3) << "its two notes and the list";
        MCOleDataIn::ReleaseEvents(copies);
    }
    EXPECT_EQ(g_liveElements, live) << "a copy nobody took goes with its notes";
}

TEST_F(Transfer, AChildCopiedBesideItsParentArrivesOnceUnderBoth) {
    ASSERT_NE(m_events.AddTail(m_note), nullptr);
    MCEventList copies;
    Copy(m_events, copies);
    ASSERT_EQ(copies.GetCount(), 2);
    EXPECT_EQ(copies.GetTail(), copies.GetHead()->GetChildren()->GetHead());
    MCOleDataIn::ReleaseEvents(copies);
}

TEST_F(Transfer, EventsAreReadOnceAndAHeldCopySurvivesTheDataIn) {
    const int live = g_liveElements;
    MCOleDataOut out;
    out.CacheEvents(m_events);
    ECBase* kept = nullptr;
    {
        MCOleDataIn in;
        in.Attach(out.GetTransferData());
        MCEventList& first = in.GetEvents();
        EXPECT_EQ(&in.GetEvents(), &first);
        EXPECT_EQ(first.GetCount(), 1);
        kept = first.GetHead();
        kept->Ref();
    }
    EXPECT_EQ(g_liveElements, live + 3);
    kept->RemoveChildren(1);
    kept->Unref(1);
    EXPECT_EQ(g_liveElements, live);
}

TEST_F(Transfer, DamagedPayloadsThrowAndLeaveNothingBehind) {
    const Bytes good = ChordPayload();
    const std::vector<std::pair<Bytes, CArchiveException::Cause>> hostile = {
        {X("0100 @NoSuchClass 00"), CArchiveException::badClass},
        {X("0100 @MCOleDataInfo/1 FFFFFFFF 0000"), CArchiveException::badClass},
        {X("0200 @TLeaf 00 00 00000000 FF7F 0900"), CArchiveException::badIndex},
        {X("FFFF FFFFFFFF @TLeaf 00 00 00000000 FF7F"), CArchiveException::endOfFile},
        {X("0100 @TNode 02 0100 0200 00 00000000 FF7F"), CArchiveException::badIndex},
    };
    const int live = g_liveElements;
    const std::int64_t allocations = LiveAllocations();
    for (std::size_t n = 0; n < good.size(); ++n) {
        EXPECT_EQ(Paste(Bytes(good.begin(), good.begin() + static_cast<long>(n))),
                  CArchiveException::endOfFile)
            << n;
    }
    for (const auto& [bytes, cause] : hostile) {
        EXPECT_EQ(Paste(bytes), cause);
    }
    EXPECT_EQ(g_liveElements, live);
    EXPECT_EQ(LiveAllocations(), allocations);
    EXPECT_EQ(Paste(good), CArchiveException::none);
}

TEST_F(Transfer, ReadingUsesTheCurrentLayoutWhateverDocumentIsActive) {
    const Bytes payload = ChordPayload();
    ScopedVersion oldDocument(0);
    EXPECT_EQ(Paste(payload), CArchiveException::none);
    EXPECT_EQ(ECPerformance::GetActiveVersion(), 0) << "the host's active document is back";
}

TEST_F(Transfer, AFailingAllocationAnywhereLeaksNothing) {
    auto copy = [&] {
        MCEventList copies;
        CCCopy::DoCopyEvents(m_events, copies, nullptr);
        MCOleDataIn::ReleaseEvents(copies);
    };
    copy(); // the process-wide format names, once
    const int live = g_liveElements;
    const std::int64_t allocations = LiveAllocations();
    auto check = [&] {
        EXPECT_EQ(g_liveElements, live);
        EXPECT_EQ(LiveAllocations(), allocations);
    };
    EXPECT_GT(ForEachAllocationFailure(copy, check), 10);
}

} // namespace
} // namespace clavenor::test
