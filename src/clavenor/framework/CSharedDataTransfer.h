#pragma once

#include "clavenor/framework/CDataTransfer.h"
#include "clavenor/framework/CString.h"
#include "clavenor/framework/Export.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

namespace clavenor {

/// A clipboard that every process of the user on this machine shares: the transfer lives
/// in one file, FileName, in a per-user folder. Two running hosts that both select a
/// CSharedDataTransfer over the same folder copy and paste between each other.
///
/// The folder is created (mode 0700) when missing; a folder that is not a directory, is a
/// symbolic link, is not owned by the process's user, or that others may write to is
/// refused, so that another user cannot plant or read transfers.
///
/// Atomicity: a transfer is written to a temporary file beside the clipboard file and
/// renamed over it, so a reader in any process sees the old transfer or the new one, never
/// half of one. A reader takes the whole file at once, on every GetClipboard (a file changed
/// in place by some other program is never mistaken for the one read before).
///
/// Robustness: what the file holds is untrusted (any process of the user may write it). A
/// file that is not a regular file, larger than MaxFileSize, or not a well-formed transfer
/// reads as an empty clipboard, and GetLastError says why. The payloads themselves are
/// checked by whoever reads them (MCOleDataIn).
///
/// The file holds: the 8 bytes "CLVXFER1"; the number of formats (32-bit); per format the
/// name's length (32-bit, 1 to MaxNameLength), the name, the payload's length (64-bit) and
/// the payload; nothing after. Numbers are little-endian.
///
/// Threads: safe to use from any thread of the process.
class CLAVENOR_API CSharedDataTransfer : public CDataTransfer {
public:
    /// The clipboard file's name inside the folder.
    static constexpr const char* FileName = "clipboard";
    /// A clipboard file larger than this is refused, with the reason in GetLastError.
    static constexpr std::uint64_t MaxFileSize = std::uint64_t{1} << 30;
    /// A format name longer than this is refused on writing and on reading.
    static constexpr std::uint32_t MaxNameLength = 1024;

    /// The per-user folder: "clavenor" in $XDG_RUNTIME_DIR when that names an absolute
    /// path, else "/tmp/clavenor-UID" with the process's user id.
    static std::filesystem::path DefaultFolder();

    /// A clipboard in DefaultFolder().
    CSharedDataTransfer();
    /// A clipboard in `folder`, which is created (owner-only) when first written.
    explicit CSharedDataTransfer(std::filesystem::path folder);
    ~CSharedDataTransfer() override;

    /// The folder the clipboard file lives in.
    const std::filesystem::path& GetFolder() const { return m_folder; }

    /// Writes the transfer (null or empty: removes the clipboard file). Returns 0, with the
    /// reason in GetLastError, when the folder is refused or the file cannot be written;
    /// the clipboard then keeps its previous contents.
    int SetClipboard(std::shared_ptr<const CTransferData> data) override;

    /// The transfer in the clipboard file, or null when there is none or it is refused
    /// (GetLastError then says why).
    std::shared_ptr<const CTransferData> GetClipboard() override;

    /// Why the last SetClipboard or GetClipboard failed or found the file unusable; empty
    /// after one that succeeded (an absent file is no error).
    CString GetLastError();

private:
    // Creates the folder when missing and checks it; false (with m_error set) when refused.
    bool PrepareFolder();
    bool Write(const CTransferData& data);
    std::shared_ptr<const CTransferData> Read();
    // Reads the open clipboard file `fd` whole; false (with m_error set) when it is refused.
    bool ReadFile(int fd, const std::filesystem::path& file, std::vector<std::uint8_t>& bytes);

    std::filesystem::path m_folder;
    std::mutex m_lock;
    CString m_error;
};

} // namespace clavenor
