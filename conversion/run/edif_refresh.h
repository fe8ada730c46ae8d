// The last step of a conversion run: the EDIF netlist's last-write time renewed.
#pragma once

#include <string>

#include "platform/file_access.h"

// What the step does. The defaults are the dialog's: a missing file is created empty, and the
// time is renewed.
struct EdifRefresh {
    // The command line does not create one: a misspelt name would make a netlist that no tool
    // reads, and the real one would never be refreshed.
    bool createMissing = true;
    // Without it the file is only opened as for a refresh, so that a run that leaves the times
    // alone still finds out that the file is missing or cannot be written.
    bool renewTime = true;
};

// Renews the last-write time of the EDIF file at `path` as `how` says. Returns 0, or the
// system's reason why the file could not be opened or created or its time set (IsNoSuchFile
// tells a missing one); the caller decides what that means to the run (the dialog passes over
// it). An empty path names no file: nothing is refreshed, and that is no failure.
SystemErrorCode RefreshEdif(const std::string& path, const EdifRefresh& how = {});
