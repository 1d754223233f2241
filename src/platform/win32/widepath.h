// Paths and texts to and from the UTF-16 of the system's W functions (see platform/filepath.h).
#pragma once

#include "platform/filepath.h"

#include <cstddef>
#include <string>

namespace orvane {

// The UTF-16 form for the system's W functions; bytes that are not UTF-8 become U+FFFD.
std::wstring WidePath(const std::string& fileName);
// UTF-8 from what a W function gave.
std::string Utf8FromWide(const wchar_t* text, std::size_t size);
inline std::string Utf8FromWide(const std::wstring& text) {
    return Utf8FromWide(text.data(), text.size());
}

} // namespace orvane
