#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/ECWithTime.h"
#include "clavenor/model/ECWithTimeChild.h"

#include "support/AllocationFailure.h"
#include "support/ArchiveBytes.h"
#include "support/TestElements.h"

#include <gtest/gtest.h>

using namespace clavenor;
using test::Bytes;
using test::X;

namespace {

Bytes StoreRoot(ECBase* root) {
    return test::Store([&](CArchive& ar) { ar << root; });
}

// Loads an object reference and holds it for the caller, who releases it with Release.
ECBase* LoadRoot(const Bytes& bytes, std::size_t size = ~std::size_t{0}) {
    ECBase* root = nullptr;
    test::Load(
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
        root->AddChild(a, 0);
        root->AddChild(b, 0);
        a->AddChild(leaf, 0);
        b->AddChild(leaf, 0);
    }
    ~Shared() { Release(root); }
    ECWithChild* root = new ECWithChild;
    ECWithChild* a = new ECWithChild;
    ECWithChild* b = new ECWithChild;
    ECWithTime* leaf = new ECWithTime;
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
    root->AddChild(child, 1);
    // The children, with their whole records, come before the container's own time.
    const Bytes expected = X("@ECWithTimeChild 02 0100  @ECWithTime 04 02 01000000 02000000 "
                             "03000000 E0010000 5200  00 0000803F FF7F");
    EXPECT_EQ(StoreRoot(root), expected);
    Release(root);

    ECBase* back = LoadRoot(expected);
    ASSERT_EQ(back->GetChildren()->GetCount(), 1);
    ECBase* loaded = back->GetChildren()->GetHead();
    EXPECT_EQ(loaded->GetParents()->GetHead(), back);
    EXPECT_EQ(loaded->GetFlags(), 0u) << "the selected bit is cleared on load";
    EXPECT_TRUE(*loaded->GetTime() == bpt && loaded->GetVoiceTrack()->GetValue() == 0x52);
    EXPECT_TRUE(loaded->GetRefCount() == 1 && back->GetRefCount() == 2);
    EXPECT_EQ(back->GetTime()->GetSeconds(), 1.0f);
    Release(back);
}

TEST(ElementRecord, ASharedChildIsWrittenOnceThenByBackReference) {
    Shared s;
    // root 2 (class 1), A 3, L 5 (class 4), B 6 with L again.
    const Bytes expected = X("@ECWithChild 02 0200  0180 02 0100 @ECWithTime 00 00 FFFF7FFF FF7F"
                             "  0180 02 0100 0500");
    EXPECT_EQ(StoreRoot(s.root), expected);
    ECBase* back = LoadRoot(expected);
    ECBase* a = back->GetChildren()->GetHead();
    ECBase* leaf = a->GetChildren()->GetHead();
    EXPECT_EQ(back->GetChildren()->GetTail()->GetChildren()->GetHead(), leaf);
    EXPECT_EQ(leaf->GetParents()->GetHead(), a);
    EXPECT_EQ(leaf->GetParents()->GetTail(), back->GetChildren()->GetTail());
    EXPECT_EQ(leaf->GetRefCount(), 2);
    Release(back);
}

TEST(ElementRecord, FlagsAndVersionDecideWhatIsRead) {
    // Bit 1 clear: no list follows. Bit 1 over an empty list and bit 2 do not survive.
    test::Load(X("@ECWithChild 00 5A  0180 06 0000"), [](CArchive& ar) {
        auto* e = static_cast<ECBase*>(ar.ReadObject(nullptr));
        std::uint8_t marker = 0;
        ar >> marker;
        EXPECT_TRUE(e->GetChildren()->IsEmpty() && marker == 0x5A);
        EXPECT_EQ(static_cast<ECBase*>(ar.ReadObject(nullptr))->GetFlags(), 0u);
    });
    test::ScopedVersion version(0);
    ECBase* back = LoadRoot(X("@ECWithTime 00 0000C03F FF7F"));
    EXPECT_TRUE(back->GetTime()->GetMode() == 0 && back->GetTime()->GetSeconds() == 1.5f);
    Release(back);
}

TEST(ElementRecord, BrokenStreamsFailCleanly) {
    Bytes full, direct, withData;
    {
        test::ScopedDataPlugin plugin(test::TData::GetThisClass(), 2, 72);
        Shared s;
        MCTime t(4, 3, 2, 960);
        s.leaf->SetTime(&t);
        auto* timed = new ECWithTimeChild;
        timed->AddChild(new ECWithTime, 0);
        s.b->AddChild(timed, 0);
        full = StoreRoot(s.root);
        direct = test::Store([&](CArchive& ar) { s.root->Serialize(ar); });
        // A root written directly is not registered, so its data record's owner reference
        // writes the root a second time: a stream that must fail to load.
        s.root->GetData(2, 1);
        withData = test::Store([&](CArchive& ar) { s.root->Serialize(ar); });
    }
    const Bytes self = X("@ECWithChild 02 0100 0200");
    const Bytes grand = X("@ECWithChild 02 0100 0180 02 0100 0200");
    const std::int64_t live = test::LiveAllocations();
    for (const Bytes* cyclic : {&self, &grand}) {
        EXPECT_EQ(test::LoadCause(*cyclic, [](CArchive& ar) { ar.ReadObject(nullptr); }),
                  CArchiveException::badIndex);
    }
    ASSERT_EQ(test::LiveAllocations(), live);

    // Cut at every byte: through an object reference the archive releases what it made;
    // into a root the host owns, the host deletes the root before or after the archive.
    for (std::size_t n = 0; n < full.size(); ++n) {
        EXPECT_THROW(LoadRoot(full, n), CArchiveException) << n;
        ASSERT_EQ(test::LiveAllocations(), live) << n;
    }
    for (const Bytes* stream : {&direct, &withData}) {
        for (std::size_t n = 0; n <= stream->size(); ++n) {
            for (bool deleteFirst : {false, true}) {
                auto* root = new ECWithChild;
                {
                    CMemFile file(stream->data(), n);
                    CArchive ar(&file, CArchive::load);
                    // A root written by a direct Serialize writes null where its data record
                    // names it as owner, so both streams load once they are complete.
                    const bool complete = n == stream->size();
                    if (complete) {
                        root->Serialize(ar);
                    } else {
                        EXPECT_THROW(root->Serialize(ar), CArchiveException) << n;
                    }
                    if (deleteFirst) {
                        delete root;
                    }
                }
                if (!deleteFirst) {
                    delete root;
                }
                ASSERT_EQ(test::LiveAllocations(), live)
                    << n << (deleteFirst ? " deleted first" : "");
            }
        }
    }
}

TEST(ElementRecord, ElementsNeverLinkedGoWithTheArchive) {
    Bytes bytes;
    {
        Shared s;
        bytes = StoreRoot(s.root);
    }
    // A data record whose owner reference reads a new container with a child.
    const Bytes owner = X("@ECWithTime 01 01 01 02 @DCBase 01000000 01000000 "
                          "@ECWithChild 02 0100 0180 00 00 00000000 FF7F  00 00000000 FF7F");
    const std::int64_t live = test::LiveAllocations();
    test::Load(bytes, [](CArchive& ar) { ar.ReadObject(nullptr); });
    EXPECT_EQ(test::LiveAllocations(), live);
    test::Load(owner, [](CArchive& ar) {
        auto* e = static_cast<ECBase*>(ar.ReadObject(nullptr));
        EXPECT_EQ(e->GetData(2, 0)->GetOwner(), e);
    });
    EXPECT_EQ(test::LiveAllocations(), live);
}
