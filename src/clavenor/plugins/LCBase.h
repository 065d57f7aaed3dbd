#pragma once

#include "clavenor/framework/CObject.h"
#include "clavenor/framework/Export.h"

#include <cstdint>

namespace clavenor {

/// The base of filter objects, which plug-ins derive and register with CPluginFilter and
/// hosts create by key or code (runtime class "LCBase", schema 2 written, any accepted).
/// It carries an enabled flag (1 by default) and a priority (0 by default), each one byte;
/// what a filter does is its plug-in's.
///
/// Record: the enabled byte, then the priority byte.
class CLAVENOR_API LCBase : public CObject {
    DECLARE_SERIAL(LCBase)

public:
    /// Enabled, priority 0.
    LCBase();
    ///@{
    /// Copies the enabled flag and the priority.
    LCBase(const LCBase& other);
    LCBase& operator=(const LCBase& other);
    ///@}
    ~LCBase() override;

    ///@{
    /// Compares the enabled and priority bytes.
    bool operator==(const LCBase& other) const;
    bool operator!=(const LCBase& other) const { return !(*this == other); }
    ///@}

    ///@{
    /// The flag and the priority as stored: the low byte of what was set.
    int IsEnabled() const { return m_bEnabled; }
    void SetEnabled(int enabled) { m_bEnabled = static_cast<std::uint8_t>(enabled); }
    int GetPriority() const { return m_nPriority; }
    void SetPriority(int priority) { m_nPriority = static_cast<std::uint8_t>(priority); }
    ///@}

    /// Assigns from `src` when it is an LCBase (or derived); returns this.
    virtual LCBase* Copy(CObject* src);

    /// Writes or reads the record above; a stream that ends early throws CArchiveException.
    void Serialize(CArchive& ar) override;

private:
    std::uint8_t m_bEnabled = 1;
    std::uint8_t m_nPriority = 0;
};

} // namespace clavenor
