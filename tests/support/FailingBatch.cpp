#include "support/FailingBatch.h"

#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <new>

namespace clavenor::test {

int Refusing::Process() {
    allocated->refused = Allocations();
    return 0;
}

void Probe::Revert() { allocated->reverted = Allocations(); }

int ApplyFailing(ECPerformance* document, CCBase* command, Allocated& allocated) {
    MCCommandList list;
    EXPECT_NE(list.AddTail(new Probe(&allocated)), nullptr);
    EXPECT_NE(list.AddTail(command), nullptr);
    EXPECT_NE(list.AddTail(new Refusing(&allocated)), nullptr);
    list.SetSynchronous(1);
    MCCommandMgr::BeginUndo(document, CString("remove"));
    int failures = 0;
    {
        MCCommandMgr::FailureWatch watch(document->GetCommandMgr());
        EXPECT_EQ(list.Apply(document), 1); // dispatched; the batch then fails
        failures = watch.GetFailures();
    }
    MCCommandMgr::EndUndo(document);
    return failures;
}

bool ApplyFailingAt(ECPerformance* document, CCBase* command, std::int64_t n) {
    MCCommandList list;
    Allocated allocated;
    EXPECT_NE(list.AddTail(command), nullptr);
    EXPECT_NE(list.AddTail(new Refusing(&allocated)), nullptr);
    list.SetSynchronous(1);
    FailNthAllocation failure(n);
    try {
        static_cast<void>(list.Apply(document));
    } catch (const std::bad_alloc&) {
    }
    return failure.Triggered();
}

} // namespace clavenor::test
