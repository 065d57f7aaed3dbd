// A shared object that is no plug-in: it exports neither entry point.
extern "C" int ClavenorTestNothing() { return 0; }
