// The command line's message box: the success message goes to stdout, an error's text to
// stderr.
#pragma once

#include <cstdio>
#include <string>

#include "platform/message_owner.h"

class PrintingOwner : public MessageOwner {
public:
    PrintingOwner(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}
    void ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;
    bool ShowedError() const { return showedError_; }

private:
    std::FILE* out_;
    std::FILE* err_;
    bool showedError_ = false;
};
