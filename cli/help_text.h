// quillon-convert's help as a terminal shows it: every line within 80 columns, the options'
// descriptions wrapped beside their names, and the synopsis made from the options themselves.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

inline constexpr std::size_t kHelpWidth = 80;

// `text` wrapped at blanks into lines of at most `width` characters (a longer word stands
// alone), every line after the first indented by `indent` spaces; line breaks in `text` are
// kept. The lines are joined by "\n", with none at the end.
std::string WrappedText(std::string_view text, std::size_t width, std::size_t indent = 0);

// The synopsis: "Usage: quillon-convert" with the required options and then the others in
// brackets, wrapped under the first, then the other forms (--extract, --list); one line break
// at the end.
std::string Synopsis(const CLI::App& app);
// The same with "[OPTION]..." for the options: what a run without arguments shows.
std::string ShortSynopsis(const CLI::App& app);

// Lays the help out as described above.
class WrappedHelpFormatter : public CLI::Formatter {
public:
    WrappedHelpFormatter();
    std::string make_description(const CLI::App* app) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_option_name(const CLI::Option* option, bool positional) const override;
    std::string make_option_opts(const CLI::Option* option) const override;
    std::string make_option_desc(const CLI::Option* option) const override;
    std::string make_footer(const CLI::App* app) const override;
};
