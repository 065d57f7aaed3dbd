#include "clavenor/model/DCBase.h"
#include "clavenor/model/MCDataArray.h"

#include "support/AllocationFailure.h"
#include "support/ArchiveBytes.h"
#include "support/TestElements.h"

#include <gtest/gtest.h>

using namespace clavenor;
using test::Bytes;
using test::TData;
using test::TLeaf;
using test::X;

namespace {

constexpr int kServed = 70; // the event id the test plug-in serves

class AttachedDataTest : public ::testing::Test {
protected:
    void SetUp() override { m_live = test::LiveAllocations(); }
    void TearDown() override { EXPECT_EQ(test::LiveAllocations(), m_live); }
    static bool HasDataBit(ECBase* e) { return (e->GetFlags() & ECBase::FlagHasData) != 0; }
    static CArchiveException::Cause Read(const Bytes& bytes) {
        return test::LoadCause(bytes, [](CArchive& ar) { ar.ReadObject(nullptr); });
    }

    test::ScopedDataPlugin m_view2{RUNTIME_CLASS(TData), 2, kServed};
    test::ScopedDataPlugin m_view1{RUNTIME_CLASS(TData), 1, kServed};
    test::ScopedDataPlugin m_view3{test::TTransient::GetThisClass(), 3, kServed};
    std::int64_t m_live = 0;
};

} // namespace

TEST(MCDataArray, ViewCodesAndSlots) {
    const int slots[] = {0, 3, 1, 4, 5, 2};
    for (int view = 0; view < 6; ++view) {
        EXPECT_EQ(MCDataArray::ViewCodeToIndex(view), slots[view]);
        EXPECT_EQ(MCDataArray::IndexToViewCode(slots[view]), view);
    }
    EXPECT_TRUE(MCDataArray::ViewCodeToIndex(6) == 0 && MCDataArray::IndexToViewCode(-1) == 0);
}

TEST_F(AttachedDataTest, GetDataAndRemoveDataKeepBitZeroInStep) {
    TLeaf unserved(0.0f, kServed + 1);
    EXPECT_EQ(unserved.GetData(2, 1), nullptr);
    EXPECT_EQ(unserved.GetData()->GetSize(), 2);

    TLeaf e(0.0f, kServed);
    EXPECT_EQ(e.GetData(2, 0), nullptr);
    DCBase* record = e.GetData(2, 1);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->IsKindOf(RUNTIME_CLASS(TData)) && record->IsDirty() == 1);
    EXPECT_TRUE(e.GetData()->GetAt(1) == record && record->GetOwner() == &e && HasDataBit(&e));
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
}

TEST_F(AttachedDataTest, FailedCreationLeavesNoRecord) {
    TLeaf e(0.0f, kServed);
    const std::int64_t live = test::LiveAllocations();
    DCBase* record = nullptr;
    EXPECT_EQ(test::ForEachAllocationFailure([&] { record = e.GetData(2, 1); },
                                             [&] {
                                                 EXPECT_EQ(e.GetData(2, 0), nullptr);
                                                 EXPECT_EQ(test::LiveAllocations(), live);
                                             }),
              2)
        << "the record and the slots";
    EXPECT_TRUE(e.GetData(2, 0) == record && HasDataBit(&e));
}

TEST_F(AttachedDataTest, ArrayRecordLayout) {
    auto* e = new TLeaf(0.0f, kServed);
    e->Ref();
    e->GetData(3, 1); // not archivable: left out
    e->GetData(1, 1)->GetState().SetValue(6);
    e->GetData(2, 1);
    // count 2, highest slot 3; slot 1 (view 2), then slot 3 (view 1); owners refer back.
    const Bytes expected = X("@TLeaf 01 02 03  02 @TData 01000000 01000000 0200  "
                             "01 0380 01000000 06000000 0200  00 00000000 FF7F");
    EXPECT_EQ(test::Store([&](CArchive& ar) { ar << e; }), expected);
    e->RemoveData(1);
    e->RemoveData(2);
    EXPECT_EQ(test::Store([&](CArchive& ar) { ar << e; }), X("@TLeaf 00 00 00000000 FF7F"));
    e->Unref(1);

    test::Load(expected, [&](CArchive& ar) {
        auto* back = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
        EXPECT_TRUE(HasDataBit(back) && back->GetData()->GetSize() == 4);
        ASSERT_TRUE(back->GetData(2, 0) != nullptr && back->GetData(1, 0) != nullptr);
        EXPECT_EQ(back->GetData(2, 0)->GetState().GetValue(), 1);
        EXPECT_EQ(back->GetData(1, 0)->GetState().GetValue(), 6);
        EXPECT_EQ(back->GetData(1, 0)->GetOwner(), back);
    });
}

TEST_F(AttachedDataTest, LayoutBeforeVersionThree) {
    // A count, then one reference per view code 0, 1, 2; each record skips 4 bytes first.
    const Bytes bytes = X("@TLeaf 01 0300  @TData EFBEADDE 01000000 07000000 0200  0000 "
                          "0380 EFBEADDE 00000000 09000000 0200  00 00000040 FF7F");
    test::ScopedVersion version(2);
    test::Load(bytes, [&](CArchive& ar) {
        auto* back = static_cast<ECBase*>(ar.ReadObject(RUNTIME_CLASS(ECBase)));
        MCDataArray* array = back->GetData();
        EXPECT_EQ(array->GetSize(), 4);
        ASSERT_TRUE(array->GetAt(0) != nullptr && array->GetAt(1) != nullptr);
        EXPECT_EQ(array->GetAt(3), nullptr);
        EXPECT_EQ(array->GetAt(0)->GetState().GetValue(), 7);
        EXPECT_EQ(array->GetAt(1)->GetState().GetValue(), 9);
        EXPECT_EQ(array->GetAt(1)->GetState().GetState(), 0u);
        EXPECT_EQ(array->GetAt(1)->GetOwner(), back);
        EXPECT_EQ(back->GetTime()->GetSeconds(), 2.0f);
    });
}

TEST_F(AttachedDataTest, ARecordPlacedTwiceIsRefused) {
    const char* record = " 01000000 01000000 0200";
    // The same record under two views; two records for one view; one record in two elements.
    EXPECT_EQ(Read(X(std::string("@TLeaf 01 02 03  02 @TData") + record + "  01 0400")),
              CArchiveException::badIndex);
    EXPECT_EQ(Read(X(std::string("@TLeaf 01 02 01  02 @TData") + record + "  02 0380" + record)),
              CArchiveException::genericException);
    EXPECT_EQ(Read(X("@ECWithChild 02 0200  @TLeaf 01 01 01 02 @TData 01000000 01000000 0400 "
                     "00 00000000 FF7F  0380 01 01 01 02 0600")),
              CArchiveException::badIndex);
}
