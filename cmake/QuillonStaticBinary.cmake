# The Linux tarball's and the RPM's build (the `static` preset): quillon-convert, and any other
# program of the tree, linked fully statically. The C++ runtime and the C library are inside,
# so it needs no library of the machine it runs on. Static glibc rather than musl: Debian has
# no C++ runtime built for musl, and the program calls none of the parts of glibc that load
# shared libraries at run time (name service lookups, iconv, dlopen). Debian 12's glibc runs on
# kernels from 3.2 on (RHEL 7's 3.10 included); the calls newer than that have their fallbacks
# in platform/.
if(WIN32 OR APPLE)
    message(FATAL_ERROR "QUILLON_STATIC_BINARY is for the Linux build (the Windows build links "
                        "its runtimes in always)")
endif()
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    message(FATAL_ERROR "QUILLON_STATIC_BINARY does not go with the sanitizers, which link "
                        "their run-time libraries dynamically")
endif()
# glibc marks the functions that need its shared libraries at run time with a link-time
# warning ("Using 'getpwnam' in statically linked applications requires at runtime the shared
# libraries ..."): such a call fails the link instead of the program on another machine.
add_link_options(-static LINKER:--fatal-warnings)
