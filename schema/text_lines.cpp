#include "schema/text_lines.h"

#include <cstring>

#include "platform/fs.h"

TextLineReader::~TextLineReader() {
  Close();
}

int TextLineReader::Open(const std::string& path) {
  Close();
  fd_ = platform::Fs().Open(path, platform::OpenFor::Read, 0);
  pos_ = len_ = 0;
  eof_ = false;
  return fd_ < 0 ? -1 : 0;
}

void TextLineReader::Close() {
  if (fd_ >= 0) platform::Fs().Close(fd_);
  fd_ = -1;
}

int TextLineReader::Fill() {
  if (eof_) return 0;
  long n = platform::Fs().Read(fd_, buf_, sizeof buf_);
  if (n < 0) return -1;
  if (n == 0) eof_ = true;
  pos_ = 0;
  len_ = static_cast<size_t>(n);
  return n > 0 ? 1 : 0;
}

int TextLineReader::Next(std::string* line, size_t maxChars) {
  line->clear();
  if (fd_ < 0) return 0;
  while (line->size() < maxChars) {
    if (pos_ >= len_) {
      int r = Fill();
      if (r < 0) return -1;
      if (r == 0) break;
    }
    size_t want = maxChars - line->size();
    size_t avail = len_ - pos_;
    if (avail > want) avail = want;
    const char* start = buf_ + pos_;
    const void* lf = std::memchr(start, '\n', avail);
    size_t take = lf ? static_cast<size_t>(static_cast<const char*>(lf) - start) + 1 : avail;
    line->append(start, take);
    pos_ += take;
    if (lf) break;
  }
  return line->empty() ? 0 : 1;
}

std::string CutLine(const std::string& line) {
  std::string s = line.substr(0, line.find('\n'));
  s = s.substr(0, s.find('\r'));
  return s.substr(0, s.find('\0'));
}
