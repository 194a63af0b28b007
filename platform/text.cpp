#include "platform/text.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {

size_t CopyText(char* dst, size_t cap, std::string_view src) {
  if (cap == 0) return 0;
  size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
  if (n > 0) std::memmove(dst, src.data(), n);
  dst[n] = '\0';
  return n;
}

size_t AppendText(char* dst, size_t cap, std::string_view src) {
  if (cap == 0) return 0;
  size_t used = strnlen(dst, cap);
  if (used >= cap) {  // not terminated: terminate at capacity
    dst[cap - 1] = '\0';
    return 0;
  }
  return CopyText(dst + used, cap - used, src);
}

std::string FormatV(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), static_cast<size_t>(n));
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string s = FormatV(fmt, args);
  va_end(args);
  return s;
}

static unsigned char LowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = LowerAscii(static_cast<unsigned char>(a[i]));
    unsigned char y = LowerAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::string_view TrimBlanks(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && blank(s.back()))
    s.remove_suffix(1);
  return s;
}

void AppendPercentEncoded(std::string* out, std::string_view text, bool (*plain)(unsigned char)) {
  static const char kHex[] = "0123456789ABCDEF";
  for (char ch : text) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (plain(b)) {
      out->push_back(ch);
    } else {
      out->push_back('%');
      out->push_back(kHex[b >> 4]);
      out->push_back(kHex[b & 15]);
    }
  }
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    int more;
    unsigned min;
    unsigned code;
    if ((b & 0xE0) == 0xC0) {
      more = 1, min = 0x80, code = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      more = 2, min = 0x800, code = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      more = 3, min = 0x10000, code = b & 0x07;
    } else {
      return false;
    }
    if (n - i <= static_cast<size_t>(more)) return false;
    for (int k = 1; k <= more; ++k) {
      const auto c = static_cast<unsigned char>(bytes[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      code = (code << 6) | (c & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += static_cast<size_t>(more) + 1;
  }
  return true;
}

}  // namespace platform
