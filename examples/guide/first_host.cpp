// The smallest host, as the README shows it.

//! [readme]
#include <clavenor/clavenor.h>

#include <cstdio>
#include <memory>

int main() {
    using namespace clavenor;
    auto document = std::make_unique<ECPerformance>(); // the host owns each document
    auto staff = MakeRef<ECStaff>();                   // elements are held by handles
    if (document->AddChild(staff.Get(), 1) == 0) {     // 0: refused, nothing changed
        std::fprintf(stderr, "the document refused the staff\n");
        return 1;
    }
    for (ECBase* child : *document->GetChildren()) { // lists work with range-for
        std::printf("%s\n", GetEventString(child).GetString());
    }
}
//! [readme]
