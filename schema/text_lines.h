// Line-by-line reading of the small text files the schema and the value lists are kept in.
#pragma once

#include <cstddef>
#include <string>

// Reads a file in lines as a fixed line buffer does: a line longer than the buffer comes in
// pieces, each piece at most maxChars bytes; the line break stays on the line.
class TextLineReader {
 public:
  TextLineReader() = default;
  ~TextLineReader();
  TextLineReader(const TextLineReader&) = delete;
  TextLineReader& operator=(const TextLineReader&) = delete;

  // 0, or -1 when the file cannot be opened (the error is in platform::LastError).
  int Open(const std::string& path);
  // 1 with the next line, 0 at the end of the file, -1 on a read error.
  int Next(std::string* line, size_t maxChars);
  void Close();

 private:
  int Fill();
  int fd_ = -1;
  char buf_[4096];
  size_t pos_ = 0;
  size_t len_ = 0;
  bool eof_ = false;
};

// The line cut at its first LF, then at its first CR, then at a NUL (text ends there).
std::string CutLine(const std::string& line);
