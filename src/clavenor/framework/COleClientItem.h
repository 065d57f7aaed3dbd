#pragma once

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"

#include <string>

namespace clavenor {

/// The platform's embedded document item, as far as documents need one: the object a frame
/// (ECFrame) shows on the page, a picture or a document of another program. The library does
/// not interpret it; it keeps the item's native data (the bytes its server saved) and
/// archives them ("COleClientItem", schema 2: the data as a counted string, read in chunks
/// so that a hostile length costs no more memory than the stream holds).
///
/// An item has one owner, which destroys it with Delete(). Loading gives an item to the
/// frame that reads it first and refuses a second frame that refers to it (see ECFrame).
class CLAVENOR_API COleClientItem : public CObject {
    DECLARE_SERIAL(COleClientItem)

public:
    COleClientItem() = default;
    /// An item holding `nativeData` (the embedded object's bytes), not owned.
    explicit COleClientItem(std::string nativeData) : m_data(std::move(nativeData)) {}
    ~COleClientItem() override;
    COleClientItem(const COleClientItem&) = delete;
    COleClientItem& operator=(const COleClientItem&) = delete;

    void Serialize(CArchive& ar) override;

    /// The embedded object's bytes; valid until they are next set or the item goes.
    const std::string& GetNativeData() const { return m_data; }
    /// Replaces the embedded object's bytes.
    void SetNativeData(std::string data) { m_data = std::move(data); }

    /// Destroys the item: the way its owner lets go of it. The item must not be used after.
    void Delete();

    ///@{
    /// Whether a frame owns the item; an owner marks it when it takes it.
    bool IsOwned() const { return m_bOwned; }
    void SetOwned(bool owned) { m_bOwned = owned; }
    ///@}

private:
    std::string m_data;
    bool m_bOwned = false;
};

} // namespace clavenor
