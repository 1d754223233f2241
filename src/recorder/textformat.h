// Formatting of texts that may come from a file (a language file, a settings file): only "%s"
// (with an optional "-" and width) and "%%" are substituted; every other "%" sequence stands as
// written, missing arguments read as empty and surplus ones are ignored. Never reads past its
// arguments, whatever the format holds.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace orvane {

std::string SafeFormat(std::string_view format, std::initializer_list<std::string_view> args);

// Whether a text read from a file may stand in for a built-in format: its "%" directives (as
// SafeFormat reads them: "%", an optional "-", a width, a letter; "%%" is none) have the same
// letters in the same order as those of the built-in text, and no width over MaxTranslatedWidth.
// A text that fails is not used: "%1024s" a thousand times would make a line of megabytes.
constexpr std::size_t MaxTranslatedWidth = 64;
bool SameFormatDirectives(std::string_view builtIn, std::string_view translated);

// The text padded on the right with blanks to at least width bytes (never cut).
std::string PadRight(std::string_view text, std::size_t width);

} // namespace orvane
