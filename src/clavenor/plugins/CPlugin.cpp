#include "clavenor/plugins/CPlugin.h"

namespace clavenor {

CPlugin::~CPlugin() = default;

} // namespace clavenor
