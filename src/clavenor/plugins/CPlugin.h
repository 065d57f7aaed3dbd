#pragma once

#include "clavenor/framework/Export.h"

#include <string>

namespace clavenor {

/// The common base of plug-in registration records (CPluginData, CPluginFilter), and the
/// loader of plug-in libraries.
///
/// A plug-in is a shared object ("*.so") in the folder "PlugIns" beside the host's
/// executable. It exports two functions with C linkage:
///
///     extern "C" unsigned GetPluginVersion();  // the plug-in interface it was built for
///     extern "C" void InitPlugins();           // registers its classes
///
/// A plug-in built for an interface older than InterfaceVersion is not initialised.
/// InitPlugins registers the plug-in's data classes (CPluginData::AddPlugin) and filter
/// classes (CPluginFilter::AddPlugin); the records it registers must stay valid while
/// registered, and a plug-in removes them before it is unloaded (static records whose
/// destructors call RemovePlugin do that; a CPluginFilter removes itself).
///
/// Failures are reported through the message sink (CMessageSink, by default standard
/// error) with these texts, and each failing file is skipped:
///  - no "*.so" in the folder, or no such folder: "No plugins were found!"
///  - a library that cannot be loaded: "The plugin, PATH, could not be loaded (err code
///    N)." with the system error number that names the cause (the file's own error, such as
///    ENOENT, EACCES or EISDIR, when it cannot be read; ENOEXEC when it is not a shared
///    object; ELIBBAD when the dynamic loader refused it) and the loader's own text as the
///    detail;
///  - a library without "InitPlugins": "Plugin, PATH, could not be initialized."
/// A library without "GetPluginVersion", or built for an older interface, is skipped
/// without a message (it stays loaded until UnInitialize).
///
/// The folder walk works on full paths and never changes the process's current folder.
/// Loading runs foreign code: call these from the host's owning thread, at start-up and at
/// the end, while no other thread uses the registries.
class CLAVENOR_API CPlugin {
public:
    /// The plug-in interface this library implements.
    static constexpr unsigned InterfaceVersion = 1;
    /// The folder beside the host's executable that the loader searches.
    static constexpr const char* FolderName = "PlugIns";
    /// The ending of the files in it that the loader opens.
    static constexpr const char* LibrarySuffix = ".so";

    /// The entry points a plug-in exports with C linkage: GetPluginVersion, which answers the
    /// interface version it was built for, and InitPlugins, which registers its records.
    ///@{
    using VersionEntry = unsigned (*)();
    using InitEntry = void (*)();
    ///@}

    virtual ~CPlugin();

    /// Loads and initialises every plug-in of the plug-in folder (InitPlugin for each, in
    /// the order of their names). 1 when the folder held a library, 0 when it held none.
    static int Initialize();
    /// Unloads every plug-in of the plug-in folder (FreePlugin for each). 1 when the folder
    /// held a library, 0 when it held none.
    static int UnInitialize();

    /// Loads the library at `path` and, when it answers the version handshake, calls its
    /// InitPlugins. 1 when it was initialised, else 0 (reported as the class comment says).
    static int InitPlugin(const char* path);
    /// Unloads the library at `path` once when it is loaded in the process. The host must
    /// first destroy every object made from its classes. Always 1.
    static int FreePlugin(const char* path);

    /// The folder the walk uses: the one set with SetPluginFolder, else FolderName in the
    /// executable's folder (empty when that cannot be found).
    static std::string GetPluginFolder();
    /// Uses `folder` instead of the default (an empty string restores the default).
    static void SetPluginFolder(std::string folder);

    /// The folder of the process's executable file (/proc/self/exe), or empty.
    static std::string GetExecutableFolder();
};

} // namespace clavenor
