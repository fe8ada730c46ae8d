// How a conversion run goes beyond the five values of its request. The defaults are what the
// dialog's Convert button does.
#pragma once

#include "platform/file_access.h"

struct ConversionOptions {
    // Test seam for the files the run opens; the programs leave it empty.
    FileAccessFaults* faults = nullptr;
};
