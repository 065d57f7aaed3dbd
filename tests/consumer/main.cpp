#include <clavenor/clavenor.h>

#include <cstdio>

int main() {
    auto* document = new clavenor::ECPerformance;
    auto* child = new clavenor::ECWithTime;
    document->AddChild(child, 1);
    const int ok = document->GetDescendant(73, -1) == child ? 0 : 1;
    delete document;
    std::printf("consumer linked against the installed clavenor: %s\n", ok == 0 ? "ok" : "FAILED");
    return ok;
}
