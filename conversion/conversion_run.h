#pragma once

#include <string>

#include "conversion/conversion_request.h"
#include "platform/message_owner.h"

// Reads the source, rewrites the UCF in place, refreshes the EDIF file's last-write time
// and shows exactly one message box on `owner`: success or the first failure.
void RunConversion(const ConversionRequest& request, MessageOwner& owner);

// Shows `prefix` followed by the system's text for the last operating-system error,
// captioned "ERROR" with the stop icon.
void ShowSystemError(MessageOwner& owner, const std::string& prefix);
