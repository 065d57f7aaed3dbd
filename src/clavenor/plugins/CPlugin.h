#pragma once

namespace clavenor {

/// The common base of plug-in registration records (CPluginData).
class CPlugin {
public:
    virtual ~CPlugin();
};

} // namespace clavenor
