// A broken plug-in: it needs a function that no library provides, so loading it fails.
extern "C" int ClavenorTestMissingFunction();

extern "C" unsigned GetPluginVersion() {
    return static_cast<unsigned>(ClavenorTestMissingFunction());
}

extern "C" void InitPlugins() {}
