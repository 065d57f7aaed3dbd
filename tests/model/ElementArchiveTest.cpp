// Element records and their attached data: exact layouts, older layouts, and streams that
// are cut, malformed or meet a failing allocation, which must leave nothing behind.

#include "support/AllocationFailure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <exception>
#include <memory>

using namespace clavenor;
using namespace clavenor::test;

namespace {

// Loads an object reference and holds it for the caller, who releases it with Release.
ECBase* LoadRoot(const Bytes& bytes, std::size_t size = ~std::size_t{0}) {
    ECBase* root = nullptr;
    Load(
        bytes,
        [&](CArchive& ar) {
            root = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
            root->Ref();
        },
        size);
    return root;
}

void Release(ECBase* root) {
    root->RemoveChildren(1);
    root->Unref(1);
}

// root -> A, B (all ECWithChild); A and B share the leaf L.
struct Shared {
    Shared() {
        root->Ref();
        EXPECT_EQ(root->AddChild(a, 0), 1);
        EXPECT_EQ(root->AddChild(b, 0), 1);
        EXPECT_EQ(a->AddChild(leaf, 0), 1);
        EXPECT_EQ(b->AddChild(leaf, 0), 1);
    }
    ~Shared() { Release(root); }
    ECWithChild* root = new ECWithChild;
    ECWithChild* a = new ECWithChild;
    ECWithChild* b = new ECWithChild;
    ECWithTime* leaf = new ECWithTime;
};

// Loads the first `size` bytes of a stream written by a direct Serialize into a root the
// host owns, which it deletes before or after the archive goes; rethrows a failure after.
void LoadDirect(const Bytes& stream, std::size_t size, bool deleteFirst) {
    std::unique_ptr<ECWithChild> root(new ECWithChild);
    std::exception_ptr failure;
    {
        CMemFile file(stream.data(), std::min(size, stream.size()));
        CArchive ar(&file, CArchive::load);
        try {
            root->Serialize(ar);
        } catch (...) {
            failure = std::current_exception();
        }
        if (deleteFirst) {
            root.reset();
        }
    }
    root.reset();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

constexpr int kServed = 70; // the event id the test plug-in serves

class AttachedData : public ::testing::Test {
protected:
    void SetUp() override { m_live = LiveAllocations(); }
    void TearDown() override { EXPECT_EQ(LiveAllocations(), m_live); }
    static bool HasDataBit(ECBase* e) { return (e->GetFlags() & ECBase::FlagHasData) != 0; }
    static CArchiveException::Cause Read(const std::string& stream) {
        return LoadCause(X(stream), [](CArchive& ar) { (void)ar.ReadObject(nullptr); });
    }

    ScopedDataPlugin m_view2{RUNTIME_CLASS(TData), 2, kServed};
    ScopedDataPlugin m_view1{RUNTIME_CLASS(TData), 1, kServed};
    ScopedDataPlugin m_view3{TTransient::GetThisClass(), 3, kServed};
    std::int64_t m_live = 0;
};

} // namespace

TEST(ElementRecord, BaseRecordsExactly) {
    auto* root = new ECWithTimeChild;
    root->Ref();
    MCTime one(1.0f), bpt(1, 2, 3, 480);
    root->SetTime(&one);
    auto* child = new ECWithTime;
    child->SetTime(&bpt);
    child->SetVoiceTrack(2, 5);
    child->SetSelected(1);
    ASSERT_EQ(root->AddChild(child, 1), 1);
    // The children, with their whole records, come before the container's own time.
    const Bytes expected = X("@ECWithTimeChild 02 0100  @ECWithTime 04 02 01000000 02000000 "
                             "03000000 E0010000 5200  00 0000803F FF7F");
    EXPECT_EQ(Store([&](CArchive& ar) { ar << root; }), expected);
    Release(root);

    ECBase* back = LoadRoot(expected);
    ASSERT_EQ(back->GetChildren()->GetCount(), 1);
    ECBase* loaded = back->GetChildren()->GetHead();
    EXPECT_EQ(loaded->GetParents()->GetHead(), back);
    EXPECT_EQ(loaded->GetFlags(), 0u) << "the selected bit is cleared on load";
    EXPECT_EQ(*loaded->GetTime(), bpt);
    EXPECT_EQ(loaded->GetVoiceTrack()->GetValue(), 0x52);
    EXPECT_EQ(loaded->GetRefCount(), 1);
    EXPECT_EQ(back->GetRefCount(), 2);
    EXPECT_EQ(back->GetTime()->GetSeconds(), 1.0f);
    Release(back);
}

TEST(ElementRecord, ASharedChildIsWrittenOnceThenByBackReference) {
    Shared s;
    // root 2 (class 1), A 3, L 5 (class 4), B 6 with L again.
    const Bytes expected = X("@ECWithChild 02 0200  0180 02 0100 @ECWithTime 00 00 FFFF7FFF FF7F"
                             "  0180 02 0100 0500");
    EXPECT_EQ(Store([&](CArchive& ar) { ar << s.root; }), expected);
    ECBase* back = LoadRoot(expected);
    ECBase* a = back->GetChildren()->GetHead();
    ECBase* leaf = a->GetChildren()->GetHead();
    EXPECT_EQ(back->GetChildren()->GetTail()->GetChildren()->GetHead(), leaf);
    EXPECT_EQ(leaf->GetParents()->GetHead(), a);
    EXPECT_EQ(leaf->GetParents()->GetTail(), back->GetChildren()->GetTail());
    EXPECT_EQ(leaf->GetRefCount(), 2);
    Release(back);
}

// A list that names a child again, right away or after its record, holds it once, in short
// lists and in long ones alike; in a long one also when the child first came after an
// earlier repeat.
TEST(ElementRecord, AChildNamedAgainInItsListIsListedOnce) {
    // root 2 (class 1); the first child 4 (class 3), then one new child per number.
    const std::string first = "@ECWithTime 00 00 FFFF7FFF FF7F ";
    const std::string next = "0380 00 00 FFFF7FFF FF7F ";
    auto root = [](int mentions) {
        char count[8];
        std::snprintf(count, sizeof count, "%02X00 ", mentions);
        return "@ECWithChild 02 " + std::string(count);
    };
    struct Case {
        const char* name;
        std::string stream;
        int children;
    };
    std::string many;
    for (int i = 0; i < 19; ++i) {
        many += next;
    }
    const Case cases[] = {
        {"short", root(4) + first + next + "0400 " + next, 3},
        {"long", root(24) + first + many + "0400 " + next + "1800 1700", 21},
    };
    for (const Case& c : cases) {
        ECBase* back = LoadRoot(X(c.stream));
        EXPECT_EQ(back->GetChildren()->GetCount(), c.children) << c.name;
        for (POSITION pos = back->GetChildren()->GetHeadPosition(); pos != nullptr;) {
            EXPECT_EQ(back->GetChildren()->GetNext(pos)->GetParents()->GetCount(), 1) << c.name;
        }
        Release(back);
    }
}

TEST(ElementRecord, FlagsAndVersionDecideWhatIsRead) {
    // Bit 1 clear: no list follows. Bit 1 over an empty list and bit 2 do not survive.
    Load(X("@ECWithChild 00 5A  0180 06 0000"), [](CArchive& ar) {
        auto* e = static_cast<ECBase*>(ar.ReadObject(nullptr));
        std::uint8_t marker = 0;
        ar >> marker;
        EXPECT_TRUE(e->GetChildren()->IsEmpty());
        EXPECT_EQ(marker, 0x5A);
        EXPECT_EQ(static_cast<ECBase*>(ar.ReadObject(nullptr))->GetFlags(), 0u);
    });
    ScopedVersion version(0);
    ECBase* back = LoadRoot(X("@ECWithTime 00 0000C03F FF7F"));
    EXPECT_EQ(back->GetTime()->GetMode(), MCTime::ModeNormalized);
    EXPECT_EQ(back->GetTime()->GetSeconds(), 1.5f);
    Release(back);
}

TEST(ElementRecord, BrokenStreamsFailCleanly) {
    Bytes full, direct, withData;
    {
        ScopedDataPlugin plugin(TData::GetThisClass(), 2, 72);
        Shared s;
        MCTime t(4, 3, 2, 960);
        s.leaf->SetTime(&t);
        auto* timed = new ECWithTimeChild;
        ASSERT_EQ(timed->AddChild(new ECWithTime, 0), 1);
        ASSERT_EQ(s.b->AddChild(timed, 0), 1);
        full = Store([&](CArchive& ar) { ar << s.root; });
        direct = Store([&](CArchive& ar) { s.root->Serialize(ar); });
        // A root written directly is not registered, so its data record's owner reference
        // writes null there; the stream loads all the same.
        s.root->GetData(2, 1);
        withData = Store([&](CArchive& ar) { s.root->Serialize(ar); });
    }
    const std::int64_t live = LiveAllocations();
    for (const char* cyclic :
         {"@ECWithChild 02 0100 0200", "@ECWithChild 02 0100 0180 02 0100 0200"}) {
        EXPECT_EQ(LoadCause(X(cyclic), [](CArchive& ar) { (void)ar.ReadObject(nullptr); }),
                  CArchiveException::badIndex);
    }
    ASSERT_EQ(LiveAllocations(), live);

    // Cut at every byte: through an object reference the archive releases what it made;
    // into a root the host owns, the host deletes the root before or after the archive.
    for (std::size_t n = 0; n < full.size(); ++n) {
        EXPECT_THROW(LoadRoot(full, n), CArchiveException) << n;
        ASSERT_EQ(LiveAllocations(), live) << n;
    }
    for (const Bytes* stream : {&direct, &withData}) {
        for (std::size_t n = 0; n <= stream->size(); ++n) {
            for (bool deleteFirst : {false, true}) {
                if (n == stream->size()) {
                    LoadDirect(*stream, n, deleteFirst);
                } else {
                    EXPECT_THROW(LoadDirect(*stream, n, deleteFirst), CArchiveException) << n;
                }
                ASSERT_EQ(LiveAllocations(), live) << n << (deleteFirst ? " deleted first" : "");
            }
        }
    }

    // Every allocation of a load failing in turn.
    auto check = [&] { EXPECT_EQ(LiveAllocations(), live); };
    EXPECT_GT(
        ForEachAllocationFailure(
            [&] { Load(full, [](CArchive& ar) { (void)ar.ReadObject(RUNTIME_CLASS(ECBase)); }); },
            check),
        20);
    EXPECT_GT(
        ForEachAllocationFailure([&] { LoadDirect(withData, withData.size(), false); }, check), 20);
}

TEST(ElementRecord, ElementsNeverLinkedGoWithTheArchive) {
    Bytes bytes;
    {
        Shared s;
        bytes = Store([&](CArchive& ar) { ar << s.root; });
    }
    // A data record whose owner reference reads a new container with a child.
    const Bytes owner = X("@ECWithTime 01 01 01 02 @DCBase 01000000 01000000 "
                          "@ECWithChild 02 0100 0180 00 00 00000000 FF7F  00 00000000 FF7F");
    const std::int64_t live = LiveAllocations();
    Load(bytes, [](CArchive& ar) { (void)ar.ReadObject(nullptr); });
    EXPECT_EQ(LiveAllocations(), live);
    Load(owner, [](CArchive& ar) {
        auto* e = static_cast<ECBase*>(ar.ReadObject(nullptr));
        EXPECT_EQ(e->GetData(2, 0)->GetOwner(), e);
    });
    EXPECT_EQ(LiveAllocations(), live);
}

// Records are made for served event ids only; bit 0 of the flags says whether an
// archivable one is attached.
TEST_F(AttachedData, GetDataAndRemoveDataKeepBitZeroInStep) {
    TLeaf unserved(0.0f, kServed + 1), e(0.0f, kServed);
    EXPECT_EQ(unserved.GetData(2, 1), nullptr);
    EXPECT_EQ(unserved.GetData()->GetSize(), 2);
    EXPECT_EQ(e.GetData(2, 0), nullptr);
    DCBase* record = e.GetData(2, 1);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->IsKindOf(RUNTIME_CLASS(TData)));
    EXPECT_EQ(record->IsDirty(), 1);
    EXPECT_EQ(e.GetData()->GetAt(1), record);
    EXPECT_EQ(record->GetOwner(), &e);
    EXPECT_TRUE(HasDataBit(&e));
    EXPECT_EQ(e.GetData(2, 1), record);
    e.RemoveData(2);
    EXPECT_FALSE(HasDataBit(&e));
    ASSERT_NE(e.GetData(3, 1), nullptr);
    EXPECT_FALSE(HasDataBit(&e)) << "a record that is not archivable does not count";
    e.GetData(2, 1);
    e.GetData(1, 1);
    e.RemoveData(2);
    EXPECT_TRUE(HasDataBit(&e));
    e.RemoveData(1);
    EXPECT_FALSE(HasDataBit(&e));
    e.RemoveData(-1);
    EXPECT_EQ(e.GetData()->GetSize(), 0);
    // A record whose creation fails leaves nothing.
    const std::int64_t live = LiveAllocations();
    record = nullptr;
    EXPECT_EQ(ForEachAllocationFailure([&] { record = e.GetData(2, 1); },
                                       [&] {
                                           EXPECT_EQ(e.GetData(2, 0), nullptr);
                                           EXPECT_EQ(LiveAllocations(), live);
                                       }),
              2)
        << "the record and the slots";
    EXPECT_EQ(e.GetData(2, 0), record);
    EXPECT_TRUE(HasDataBit(&e));
}

// Most elements never carry a record: reading, removing and saving make no array for them.
TEST_F(AttachedData, TheArrayIsMadeOnFirstUse) {
    auto* e = new TLeaf(0.0f, kServed);
    e->Ref();
    EXPECT_EQ(e->GetData(2, 0), nullptr);
    EXPECT_EQ(e->RemoveData(2), 1);
    EXPECT_EQ(Store([&](CArchive& ar) { ar << e; }), X("@TLeaf 00 00 00000000 FF7F"));
    EXPECT_EQ(e->FindData(), nullptr);
    DCBase* record = e->GetData(2, 1);
    ASSERT_NE(e->FindData(), nullptr);
    EXPECT_EQ(e->FindData()->GetAt(MCDataArray::ViewCodeToIndex(2)), record);
    e->Unref(1);
}

// An array made late starts as one made with the element would be by then: two empty slots,
// or none once every record was removed.
TEST_F(AttachedData, ALateArrayStartsAsAnEarlyOne) {
    TLeaf fresh(0.0f, kServed), emptied(0.0f, kServed);
    emptied.RemoveData(-1);
    EXPECT_EQ(fresh.GetData()->GetSize(), 2);
    EXPECT_EQ(emptied.GetData()->GetSize(), 0);
}

TEST_F(AttachedData, ArrayRecordLayout) {
    auto* e = new TLeaf(0.0f, kServed);
    e->Ref();
    e->GetData(3, 1); // not archivable: left out
    e->GetData(1, 1)->GetState().SetValue(6);
    e->GetData(2, 1);
    // count 2, highest slot 3; slot 1 (view 2), then slot 3 (view 1); owners refer back.
    const Bytes expected = X("@TLeaf 01 02 03  02 @TData 01000000 01000000 0200  "
                             "01 0380 01000000 06000000 0200  00 00000000 FF7F");
    EXPECT_EQ(Store([&](CArchive& ar) { ar << e; }), expected);
    e->RemoveData(1);
    e->RemoveData(2);
    EXPECT_EQ(Store([&](CArchive& ar) { ar << e; }), X("@TLeaf 00 00 00000000 FF7F"));
    e->Unref(1);

    Load(expected, [&](CArchive& ar) {
        auto* back = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
        DCBase *two = back->GetData(2, 0), *one = back->GetData(1, 0);
        EXPECT_TRUE(HasDataBit(back));
        EXPECT_EQ(back->GetData()->GetSize(), 4);
        ASSERT_NE(two, nullptr);
        ASSERT_NE(one, nullptr);
        EXPECT_EQ(two->GetState().GetValue(), 1);
        EXPECT_EQ(one->GetState().GetValue(), 6);
        EXPECT_EQ(one->GetOwner(), back);
    });
}

TEST_F(AttachedData, LayoutBeforeVersionThree) {
    // A count, then one reference per view code 0, 1, 2; each record skips 4 bytes first.
    const Bytes bytes = X("@TLeaf 01 0300  @TData EFBEADDE 01000000 07000000 0200  0000 "
                          "0380 EFBEADDE 00000000 09000000 0200  00 00000040 FF7F");
    ScopedVersion version(2);
    Load(bytes, [&](CArchive& ar) {
        auto* back = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
        MCDataArray* array = back->GetData();
        ASSERT_EQ(array->GetSize(), 4);
        ASSERT_NE(array->GetAt(0), nullptr);
        ASSERT_NE(array->GetAt(1), nullptr);
        EXPECT_EQ(array->GetAt(3), nullptr);
        EXPECT_EQ(array->GetAt(1)->GetOwner(), back);
        EXPECT_EQ(array->GetAt(0)->GetState().GetValue(), 7);
        EXPECT_EQ(array->GetAt(1)->GetState().GetValue(), 9);
        EXPECT_EQ(array->GetAt(1)->GetState().GetState(), 0u);
        EXPECT_EQ(back->GetTime()->GetSeconds(), 2.0f);
    });
}

// Regression (a use after free and a double free): a record placed twice is refused.
TEST_F(AttachedData, ARecordPlacedTwiceIsRefused) {
    const std::string record = " 01000000 01000000 0200";
    // The same record under two views; two records for one view; one record in two elements.
    EXPECT_EQ(Read("@TLeaf 01 02 03  02 @TData" + record + "  01 0400"),
              CArchiveException::badIndex);
    EXPECT_EQ(Read("@TLeaf 01 02 01  02 @TData" + record + "  02 0380" + record),
              CArchiveException::genericException);
    EXPECT_EQ(Read("@ECWithChild 02 0200  @TLeaf 01 01 01 02 @TData 01000000 01000000 0400 "
                   "00 00000000 FF7F  0380 01 01 01 02 0600"),
              CArchiveException::badIndex);
}

// An array written on its own (in an object list) is an object of schema 0; loaded so, it
// owns its records, also when the load fails partway.
TEST_F(AttachedData, AnArrayOnItsOwnTravelsByReference) {
    MCDataArray array;
    TData record;
    record.GetState().SetValue(6);
    ASSERT_EQ(array.SetAtGrow(MCDataArray::ViewCodeToIndex(2), &record), 1);
    MCObList list;
    ASSERT_NE(list.AddTail(&array), nullptr);
    const Bytes expected =
        X("@MCObList/1 0100 @MCDataArray/0 01 01 02 @TData 01000000 06000000 0000");
    EXPECT_EQ(Store([&](CArchive& ar) { ar << &list; }), expected);
    array.RemoveAll();
    Load(expected, [](CArchive& ar) {
        MCObList* back = nullptr;
        ar >> back;
        std::unique_ptr<MCDataArray> loaded(static_cast<MCDataArray*>(back->GetHead()));
        delete back;
        ASSERT_NE(loaded->GetAt(1), nullptr);
        EXPECT_EQ(loaded->GetAt(1)->GetState().GetValue(), 6);
        EXPECT_EQ(loaded->GetAt(1)->GetOwner(), nullptr);
    });
    for (std::size_t n = 0; n < expected.size(); ++n) {
        EXPECT_NE(LoadCause(Bytes(expected.begin(), expected.begin() + static_cast<long>(n)),
                            [](CArchive& ar) { (void)ar.ReadObject(nullptr); }),
                  CArchiveException::none);
    }
}
