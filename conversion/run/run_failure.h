// Why a step of a run failed: the system's error, the run's own reason, or both.
#pragma once

#include <string>
#include <utility>

#include "platform/file_access.h"

struct RunFailure {
    SystemErrorCode error = 0;
    std::string reason;      // when the system's text alone would not explain it
    std::string afterError;  // what follows the system's text, when it does not end the story

    RunFailure() = default;
    RunFailure(SystemErrorCode code) : error(code) {}  // NOLINT: a plain error converts
    RunFailure(std::string text, SystemErrorCode code = 0) : error(code), reason(std::move(text)) {}

    explicit operator bool() const { return error != 0 || !reason.empty(); }
};
