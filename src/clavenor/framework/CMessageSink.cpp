#include "clavenor/framework/CMessageSink.h"

#include <atomic>
#include <cstdio>

namespace clavenor {

namespace {

// Writes "clavenor: text (detail)" to standard error.
class CStandardErrorSink : public CMessageSink {
public:
    void Show(const CString& text, Icon icon, const CString& detail) override {
        std::fprintf(stderr, "clavenor: %s%s%s%s\n", icon == IconStop ? "error: " : "",
                     text.GetString(), detail.IsEmpty() ? "" : " - ", detail.GetString());
    }
};

std::atomic<CMessageSink*> s_pActive{nullptr};

CMessageSink& BuiltIn() {
    static CStandardErrorSink sink;
    return sink;
}

} // namespace

CMessageSink::~CMessageSink() {
    CMessageSink* self = this;
    s_pActive.compare_exchange_strong(self, nullptr);
}

CMessageSink* CMessageSink::SetActive(CMessageSink* sink) {
    CMessageSink* previous = s_pActive.exchange(sink);
    return previous != nullptr ? previous : &BuiltIn();
}

CMessageSink& CMessageSink::GetActive() {
    CMessageSink* sink = s_pActive.load();
    return sink != nullptr ? *sink : BuiltIn();
}

void CMessageSink::Message(const CString& text, Icon icon, const CString& detail) {
    GetActive().Show(text, icon, detail);
}

} // namespace clavenor
