// How the tests start quillon-convert.exe as a process of its own on Windows: where it is, and
// its arguments as the C runtime splits a command line.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

// The program sits next to the test in the build tree's bin folder.
inline std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + QUILLON_CONVERT_NAME;
}

// One argument as the C runtime splits a command line: quoted, with the backslashes before a
// quote doubled and the quote escaped.
inline std::string Quoted(const std::string& arg) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') backslashes = backslashes * 2 + 1;
        quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

// A file the started program inherits as one of its standard streams.
inline HANDLE CreateInheritable(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif
