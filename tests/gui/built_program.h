// Quillon.exe as built: it lands in the same folder as the test programs.
#pragma once

#include <windows.h>

#include <string>

inline std::string BuiltProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + "Quillon.exe";
}

// The program's resources, loaded as data (the program does not run).
class BuiltProgramResources {
public:
    BuiltProgramResources()
        : module_(LoadLibraryExA(BuiltProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~BuiltProgramResources() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    BuiltProgramResources(const BuiltProgramResources&) = delete;
    BuiltProgramResources& operator=(const BuiltProgramResources&) = delete;

    HMODULE Module() const { return module_; }

private:
    HMODULE module_;
};
