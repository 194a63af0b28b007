// Private-profile (INI) files: read and write keys of sections, keeping everything else as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One INI file held as its lines. Section and key names match without regard to case; values
// are trimmed of surrounding blanks. Lines that are not changed keep their bytes and line ends.
class ProfileDocument {
 public:
  // Loads a file; a missing file gives an empty document. 0, or -1 when it cannot be read.
  int Load(const std::string& path);
  void Parse(std::string_view text);
  // The value of the first such key in the first such section.
  bool Get(std::string_view section, std::string_view key, std::string* value) const;
  // Sets a key: replaces the value of an existing key in place, adds a new key at the end of
  // its section, or a new section at the end of the document.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes a section with all its lines. True when there was one.
  bool RemoveSection(std::string_view section);
  // Section names in file order.
  std::vector<std::string> SectionNames() const;
  std::string Text() const;
  // Replaces the file atomically with the document. 0 or -1.
  int Save(const std::string& path) const;

 private:
  struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\r\n", "\n", or "" for a last line without one
  };
  // Index of the section's header line, or -1.
  long FindSection(std::string_view section) const;
  std::vector<Line> lines_;
  std::string newline_ = "\n";
};

// Reads a decimal integer as the profile functions do: optional sign and leading digits;
// anything else gives def.
int ParseProfileInt(std::string_view text, int def);

// Reads a string key into buf (width bytes with the terminator), truncated; def when missing.
// Returns the length copied.
size_t ProfileReadString(const std::string& path, std::string_view section, std::string_view key,
                         std::string_view def, char* buf, size_t width);
int ProfileReadInt(const std::string& path, std::string_view section, std::string_view key,
                   int def);
// Writes one key (the file is replaced atomically). 0 or -1.
int ProfileWriteString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view value);
int ProfileWriteInt(const std::string& path, std::string_view section, std::string_view key,
                    int value);

}  // namespace platform
