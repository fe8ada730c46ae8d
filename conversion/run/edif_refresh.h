// The last step of a conversion run: the EDIF netlist's last-write time renewed.
#pragma once

#include <string>

#include "platform/file_access.h"

// Renews the last-write time of the EDIF file at `path`, created empty when missing. Returns 0,
// or the system's reason why the file could not be opened or created or its time set; the
// caller decides what that means to the run (the dialog passes over it). An empty path names
// no file: nothing is refreshed, and that is no failure.
SystemErrorCode RefreshEdif(const std::string& path);
