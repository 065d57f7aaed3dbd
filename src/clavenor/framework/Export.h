#pragma once

/// CLAVENOR_API marks what the library offers its hosts. The shared libraries are built with
/// hidden visibility, so a class, free function or variable that a public header declares
/// without it is not in their symbol tables and a host that uses it fails to link.
///
/// Where it goes: before the name of every class and struct that a public header defines at
/// namespace scope (`class CLAVENOR_API ECNote : public ECWithTimeChild`; members and nested
/// classes follow their class), and before every free function or `extern` variable that a
/// public header declares (`CLAVENOR_API int RegisterClasses();`). Class templates defined
/// wholly in their header take none; an explicit instantiation the library provides takes it
/// on both the `extern template` declaration and the instantiation. Helpers in `detail/` take
/// none unless a unit test must reach them through the shared library.
///
/// A static build defines CLAVENOR_STATIC for itself and its users, and then nothing is
/// exported: a host that links the archive into a shared object of its own does not pass the
/// library's symbols on.
#if defined(CLAVENOR_STATIC)
#define CLAVENOR_API
#else
#define CLAVENOR_API __attribute__((visibility("default")))
#endif
