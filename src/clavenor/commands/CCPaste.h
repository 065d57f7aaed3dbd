#pragma once

#include "clavenor/clipboard/MCOleDataIn.h"
#include "clavenor/commands/CCBase.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"
#include "clavenor/model/MCEventList.h"

#include <cstdint>
#include <memory>

namespace clavenor {

class CDocument;

/// Reads the clipboard: the info record and new, free-standing copies of the elements
/// written by a CCCopy (of this process or, through a shared data-transfer service, of
/// another). The document is not changed: inserting the elements is left to other commands
/// (CCAdd), and the command is never recorded for undo. It runs through the command manager
/// like every command and needs a target with a conductor (CCBase::Prepare).
///
/// The format chooses what is read: 0 both, MCClipFormat::Info() only the info record,
/// MCClipFormat::Data() only the elements. A format the clipboard does not offer reads as
/// nothing (a null info record, no elements); that is no error.
///
/// Clipboard bytes are untrusted. A payload that is malformed, truncated or hostile gives
/// an empty paste: no info record and no elements, everything the failed read created
/// destroyed; GetError says what was wrong, and Process fails, so the batch aborts with a
/// code-501 record that names this command.
///
/// The elements read are held by the command (GetEvents). A CCAdd that links them into a
/// document takes its own references, so the command may go as soon as the CCAdd is built;
/// elements nothing else took are destroyed with the command, subtrees included.
class CLAVENOR_API CCPaste : public CCBase {
    DECLARE_SERIAL(CCPaste)

public:
    CCPaste();
    /// Releases the elements (MCOleDataIn::ReleaseEvents), then the data in.
    ~CCPaste() override;

    int GetCommandId() const override;

    /// CCBase::Prepare; creates the data in when there is none. 0 when the base fails or
    /// the data in cannot be created.
    int Prepare() override;
    /// The discard list; Attach(); reads the info record and the elements as the format
    /// says (replacing the elements of an earlier run); Detach(). 1, or 0 for a damaged
    /// payload (see the class comment).
    int Process() override;

    ///@{
    /// Whether the clipboard offers `format` (MCOleDataIn::HasFormat with `check`), and
    /// whether it holds this library's content (MCOleDataIn::HasValidData).
    static int ClipboardHasFormat(std::uint16_t format, int check);
    static int ClipboardHasValidData();
    ///@}

    /// Gives the data in (created when there is none; nothing happens when that fails) the
    /// host's document, which the archives carry.
    void SetDocument(CDocument* document);
    /// The data in's document, or null without a data in.
    CDocument* GetDocument() const;

    ///@{
    /// The format the next Process reads (see the class comment), stored as given.
    std::uint16_t GetFormat() const { return m_nFormat; }
    void SetFormat(std::uint16_t format) { m_nFormat = format; }
    ///@}

    /// 0 without a data in; otherwise Attach(), the data in's HasFormat, Detach().
    int HasFormat(std::uint16_t format, int check);

    /// The bytes stored under `key` in the info record read, or null.
    const void* GetInfo(int key) const;

    /// The elements read by the last Process.
    MCEventList& GetEvents() { return m_events; }
    /// The info record read by the last Process (owned by the data in), or null.
    MCOleDataInfo* GetDataInfo() const { return m_pInfo; }
    /// The data in, the command's own; null before Prepare or SetDocument made one.
    MCOleDataIn* GetDataIn() const { return m_pDataIn.get(); }

    /// What made the last Process fail, in words for the user; empty when it succeeded.
    const CString& GetError() const { return m_error; }

    ///@{
    /// Attaches the data in to the clipboard's current contents, and releases them.
    /// Require a data in (after Prepare or SetDocument): without one they dereference null.
    virtual void Attach();
    virtual void Detach();
    ///@}

protected:
    ///@{
    /// The state the accessors above report.
    std::uint16_t m_nFormat = 0;
    MCEventList m_events;
    MCOleDataInfo* m_pInfo = nullptr;
    std::unique_ptr<MCOleDataIn> m_pDataIn;
    CString m_error;
    ///@}

private:
    bool MakeDataIn();
};

} // namespace clavenor
