// A plug-in built for no interface this library knows: it must not be initialised.
#include <clavenor/clavenor.h>

namespace {
clavenor::CPluginFilter g_filter(nullptr, "Old");
} // namespace

extern "C" unsigned GetPluginVersion() { return 0; }

extern "C" void InitPlugins() { clavenor::CPluginFilter::AddPlugin(&g_filter); }
