// Every allocation of an operation fails in turn; after each failure the graph must be as
// it was and nothing may leak.

#include "clavenor/model/ECWithChild.h"
#include "clavenor/model/ECWithTimeChild.h"

#include "support/AllocationFailure.h"
#include "support/ArchiveBytes.h"
#include "support/TestElements.h"

#include <gtest/gtest.h>

#include <vector>

using namespace clavenor;
using test::TLeaf;

namespace {

// What an insertion may change: order, references, parents and the owner's flags.
std::vector<std::uintptr_t> Snapshot(MCEventList* list, ECBase* extra, ECBase* owner) {
    std::vector<std::uintptr_t> s{extra->GetRefCount(),
                                  static_cast<std::uintptr_t>(extra->GetParents()->GetCount())};
    if (owner != nullptr) {
        s.insert(s.end(), {owner->GetFlags(), owner->GetRefCount()});
    }
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        ECBase* e = list->GetNext(pos);
        s.insert(s.end(), {reinterpret_cast<std::uintptr_t>(e), e->GetRefCount()});
    }
    return s;
}

} // namespace

TEST(AllocationFailure, AddChildAndSortedAddEventLeaveTheGraphUnchanged) {
    for (int sorted : {0, 1}) {
        test::TNode parent(32);
        for (float t : {1.0f, 3.0f}) {
            parent.AddChild(new TLeaf(t), 1);
        }
        TLeaf child(2.0f);
        child.Ref();
        const auto before = Snapshot(parent.GetChildren(), &child, &parent);
        const std::int64_t live = test::LiveAllocations();
        int result = -1;
        EXPECT_EQ(test::ForEachAllocationFailure(
                      [&] { result = parent.AddChild(&child, sorted); },
                      [&] {
                          EXPECT_EQ(result, 0);
                          EXPECT_EQ(Snapshot(parent.GetChildren(), &child, &parent), before);
                          EXPECT_EQ(test::LiveAllocations(), live);
                      }),
                  2)
            << "a node in each list";
        EXPECT_EQ(parent.GetChildren()->FindIndex(sorted != 0 ? 1 : 2),
                  parent.GetChildren()->Find(&child));
        parent.RemoveChildren(1);
    }

    MCEventList list;
    for (float t : {1.0f, 2.0f, 3.0f}) {
        list.AddEvent(new TLeaf(t), 1);
    }
    TLeaf e(2.0f);
    e.Ref();
    const auto before = Snapshot(&list, &e, nullptr);
    POSITION pos = nullptr;
    EXPECT_EQ(test::ForEachAllocationFailure([&] { pos = list.AddEvent(&e, 1); },
                                             [&] {
                                                 EXPECT_EQ(pos, nullptr);
                                                 EXPECT_EQ(Snapshot(&list, &e, nullptr), before);
                                             }),
              1);
    EXPECT_EQ(pos, list.FindIndex(2));
    list.RemoveAt(pos);
}

TEST(AllocationFailure, LoadingReleasesThePartlyBuiltGraph) {
    test::ScopedDataPlugin plugin(test::TData::GetThisClass(), 2, 74);
    test::Bytes direct, byReference;
    {
        ECWithTimeChild root;
        auto* a = new ECWithTimeChild;
        auto* b = new ECWithChild;
        auto* leaf = new ECWithTime;
        MCTime t(2, 1, 0, 480);
        leaf->SetTime(&t);
        root.AddChild(a, 0);
        root.AddChild(b, 0);
        a->AddChild(leaf, 0);
        b->AddChild(leaf, 0);
        a->GetData(2, 1);
        direct = test::Store([&](CArchive& ar) { root.Serialize(ar); });
        byReference = test::Store([&](CArchive& ar) { ar << &root; });
        root.RemoveChildren(1);
    }
    const std::int64_t live = test::LiveAllocations();
    int n = 0;
    auto check = [&] { EXPECT_EQ(test::LiveAllocations(), live) << "allocation " << n; };

    // Into a root the host owns and deletes, and through an object reference.
    EXPECT_GT(test::ForEachAllocationFailure(
                  [&] {
                      ++n;
                      ECWithTimeChild* root = nullptr;
                      try {
                          CMemFile file(direct.data(), direct.size());
                          CArchive ar(&file, CArchive::load);
                          root = new ECWithTimeChild;
                          root->Serialize(ar);
                          EXPECT_EQ(root->GetChildren()->GetCount(), 2);
                      } catch (...) {
                          delete root;
                          throw;
                      }
                      delete root;
                  },
                  check),
              20);
    n = 0;
    EXPECT_GT(test::ForEachAllocationFailure(
                  [&] {
                      ++n;
                      test::Load(byReference, [](CArchive& ar) {
                          auto* root = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
                          EXPECT_EQ(root->GetChildren()->GetCount(), 2);
                      });
                  },
                  check),
              20);
    check();
}
