// Bounded text helpers: the one way text goes into a fixed buffer.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Copies src into dst (capacity cap, cap >= 1), truncating; always NUL-terminates.
// Returns the number of bytes copied.
size_t CopyText(char* dst, size_t cap, std::string_view src);

template <size_t N>
size_t CopyText(char (&dst)[N], std::string_view src) {
  return CopyText(dst, N, src);
}

// Appends src to the NUL-terminated text in dst (capacity cap), truncating.
size_t AppendText(char* dst, size_t cap, std::string_view src);

template <size_t N>
size_t AppendText(char (&dst)[N], std::string_view src) {
  return AppendText(dst, N, src);
}

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

// Appends text to out with every byte for which plain() is false written as "%XX".
void AppendPercentEncoded(std::string* out, std::string_view text, bool (*plain)(unsigned char));

// ASCII case-insensitive comparison (<0, 0, >0).
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

// True when bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Removes blanks and tabs (and CR/LF) from both ends.
std::string_view TrimBlanks(std::string_view s);

}  // namespace platform
