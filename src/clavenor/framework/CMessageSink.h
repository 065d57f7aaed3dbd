#pragma once

#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

namespace clavenor {

/// Where the library's messages to the user go: the texts a desktop program would show in a
/// message box (the plug-in loader's failures, for example). A host derives its own sink to
/// show them in its window system or its log; until it selects one, messages go to the
/// standard error stream, one line each.
///
/// Threads: the library shows messages from the thread that runs the operation that fails
/// (the host's owning thread). SetActive and GetActive may be called from any thread, but a
/// sink must not be switched while a message is being shown.
class CLAVENOR_API CMessageSink {
public:
    /// The kind of message, with the values of the platform's message-box icons.
    enum Icon : unsigned { IconStop = 0x10, IconInformation = 0x40 };

    /// A sink destroyed while active stops being active (standard error takes over).
    virtual ~CMessageSink();
    CMessageSink(const CMessageSink&) = delete;
    CMessageSink& operator=(const CMessageSink&) = delete;

    /// Shows `text` (the library's own wording, meant for the user) as a message of kind
    /// `icon`. `detail` is the platform's own explanation, empty when it has none (the
    /// dynamic loader's text for a library that fails to load).
    virtual void Show(const CString& text, Icon icon, const CString& detail) = 0;

    ///@{
    /// Makes `sink` the one messages go to and returns the one it replaces (the built-in
    /// standard-error sink when none had been chosen); null selects standard error again.
    /// The library does not own a host's sink.
    static CMessageSink* SetActive(CMessageSink* sink);
    static CMessageSink& GetActive();
    ///@}

    /// Shows a message through the active sink.
    static void Message(const CString& text, Icon icon, const CString& detail = CString());

protected:
    CMessageSink() = default;
};

} // namespace clavenor
