// The UCF step of a conversion run: the old text read, the new one written in its place, all
// or nothing.
#pragma once

#include <functional>
#include <string>

#include "conversion/run/conversion_options.h"
#include "conversion/run/conversion_outcome.h"
#include "conversion/core/generated_lines.h"

// Rewrites the UCF at `path` with the component's lines replaced by `lines`. Fills in the
// outcome's counts and sizes, or its failed step and error; after a failure the file is as
// it was (and gone again when this run created it). `releaseSource` is called as soon as
// the source bytes are no longer needed.
void UpdateUcf(const std::string& path, const GeneratedLines& lines,
               const ConversionOptions& options, ConversionOutcome& outcome,
               const std::function<void()>& releaseSource);
