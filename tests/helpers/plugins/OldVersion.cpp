// A plug-in built for no interface this library knows: it must not be initialised.
#include <clavenor/clavenor.h>

namespace {
clavenor::CPluginFilter g_filter(nullptr, "Old");
} // namespace

extern "C" unsigned GetPluginVersion() { return 0; }

// Never called: the loader refuses the plug-in for its version first.
extern "C" void InitPlugins() { (void)clavenor::CPluginFilter::AddPlugin(&g_filter); }
