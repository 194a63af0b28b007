// Tag names and values on one line of CLI output: TAB, CR, LF and backslash are escaped so
// that a field never breaks the NAME<TAB>VALUE<TAB>FLAGS layout.
#pragma once

#include <string>
#include <string_view>

// "\t", "\r", "\n" and "\\" for TAB, CR, LF and backslash; every other byte as it is.
std::string EscapeField(std::string_view field);

// The inverse of EscapeField. False (out then holds a partial result) on a backslash that ends the
// text or is followed by anything but t, r, n or a backslash.
bool UnescapeField(std::string_view field, std::string* out);
