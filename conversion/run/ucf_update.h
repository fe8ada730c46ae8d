// The UCF step of a conversion run: the old text read, the new one written in its place, all
// or nothing.
#pragma once

#include <string>

#include "conversion/core/lane_lines.h"
#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"

// Rewrites the UCF at `path` with the lines of every lane's component replaced by `lines`.
// Fills in the outcome's sizes, whether the text is unchanged and each component's removal
// counts (outcome.components, one per lane, made by the caller), or its failed step and
// error; after a failure the file is as it was (and gone again when this run created it).
void UpdateUcf(const std::string& path, const WideLines& lines, const ConversionOptions& options,
               ConversionOutcome& outcome);
