// The last step of a conversion run: the EDIF netlist's last-write time renewed.
#pragma once

#include <string>

#include "platform/file_access.h"

// Renews the last-write time of the EDIF file at `path`, created empty when missing. A file
// that cannot be opened is left as it is: the refresh never fails a run.
void RefreshEdif(const std::string& path);
