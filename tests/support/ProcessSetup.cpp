// The first performance a process creates makes the calling thread the owner of the message
// queue and creates the hidden windows, once for the life of the process. Doing that before
// any test runs keeps those one-time allocations out of the tests that count allocations,
// and makes the test runner's thread the owner for every test.

#include <clavenor/clavenor.h>

#include <gtest/gtest.h>

namespace {

class ProcessSetup : public ::testing::Environment {
public:
    void SetUp() override {
        // A static link knows only the classes it names until they are all registered.
        clavenor::RegisterClasses();
        delete new clavenor::ECPerformance;
    }
};

const auto* const kProcessSetup = ::testing::AddGlobalTestEnvironment(new ProcessSetup);

} // namespace
