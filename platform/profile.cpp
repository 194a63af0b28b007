#include "platform/profile.h"

#include <cerrno>
#include <climits>

#include "platform/fs.h"
#include "platform/text.h"

namespace platform {

namespace {

// "[name]" gives name; other lines give false.
bool SectionOf(std::string_view line, std::string_view* name) {
  std::string_view t = TrimBlanks(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string_view::npos) return false;
  *name = TrimBlanks(t.substr(1, close - 1));
  return true;
}

// "key=value" gives key and value; comments and other lines give false.
bool KeyOf(std::string_view line, std::string_view* key, std::string_view* value) {
  std::string_view t = TrimBlanks(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return false;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  *key = TrimBlanks(t.substr(0, eq));
  if (value) *value = TrimBlanks(t.substr(eq + 1));
  return true;
}

}  // namespace

int ProfileDocument::Load(const std::string& path) {
  std::string text;
  lines_.clear();
  if (ReadWholeFile(path, &text) != 0) {
    if (LastError() == ENOENT) return 0;
    return -1;
  }
  Parse(text);
  return 0;
}

void ProfileDocument::Parse(std::string_view text) {
  lines_.clear();
  newline_ = "\n";
  bool sawNewline = false;
  while (!text.empty()) {
    size_t lf = text.find('\n');
    Line line;
    if (lf == std::string_view::npos) {
      line.text = std::string(text);
      text = {};
    } else {
      size_t end = lf;
      line.eol = "\n";
      if (end > 0 && text[end - 1] == '\r') {
        --end;
        line.eol = "\r\n";
      }
      line.text = std::string(text.substr(0, end));
      text.remove_prefix(lf + 1);
      if (!sawNewline) {
        newline_ = line.eol;  // new lines follow the file's own style
        sawNewline = true;
      }
    }
    lines_.push_back(std::move(line));
  }
}

long ProfileDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionOf(lines_[i].text, &name) && EqualsNoCase(name, section))
      return static_cast<long>(i);
  }
  return -1;
}

bool ProfileDocument::Get(std::string_view section, std::string_view key,
                          std::string* value) const {
  long s = FindSection(section);
  if (s < 0) return false;
  for (size_t i = static_cast<size_t>(s) + 1; i < lines_.size(); ++i) {
    std::string_view name, k, v;
    if (SectionOf(lines_[i].text, &name)) break;
    if (KeyOf(lines_[i].text, &k, &v) && EqualsNoCase(k, key)) {
      *value = std::string(v);
      return true;
    }
  }
  return false;
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  long s = FindSection(section);
  if (s < 0) {
    if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = newline_;
    lines_.push_back({"[" + std::string(section) + "]", newline_});
    lines_.push_back({std::string(key) + "=" + std::string(value), newline_});
    return;
  }
  size_t lastContent = static_cast<size_t>(s);
  size_t i = static_cast<size_t>(s) + 1;
  for (; i < lines_.size(); ++i) {
    std::string_view name, k;
    if (SectionOf(lines_[i].text, &name)) break;
    if (KeyOf(lines_[i].text, &k, nullptr) && EqualsNoCase(k, key)) {
      // Keep the key's own spelling and any indentation before it.
      std::string& text = lines_[i].text;
      size_t eq = text.find('=');
      text = text.substr(0, eq + 1) + std::string(value);
      return;
    }
    if (KeyOf(lines_[i].text, &k, nullptr)) lastContent = i;  // comments stay with what follows
  }
  Line line{std::string(key) + "=" + std::string(value), newline_};
  if (lines_[lastContent].eol.empty()) lines_[lastContent].eol = newline_;
  lines_.insert(lines_.begin() + static_cast<long>(lastContent) + 1, std::move(line));
}

bool ProfileDocument::RemoveSection(std::string_view section) {
  long s = FindSection(section);
  if (s < 0) return false;
  size_t end = static_cast<size_t>(s) + 1;
  std::string_view name;
  while (end < lines_.size() && !SectionOf(lines_[end].text, &name))
    ++end;
  lines_.erase(lines_.begin() + s, lines_.begin() + static_cast<long>(end));
  return true;
}

std::vector<std::string> ProfileDocument::SectionNames() const {
  std::vector<std::string> out;
  for (const Line& line : lines_) {
    std::string_view name;
    if (SectionOf(line.text, &name)) out.emplace_back(name);
  }
  return out;
}

std::string ProfileDocument::Text() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

int ProfileDocument::Save(const std::string& path) const {
  return ReplaceFile(path, Text());
}

int ParseProfileInt(std::string_view text, int def) {
  text = TrimBlanks(text);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long v = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (text[i] - '0');
  }
  if (digits == 0) return def;
  if (negative) v = -v;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

size_t ProfileReadString(const std::string& path, std::string_view section, std::string_view key,
                         std::string_view def, char* buf, size_t width) {
  ProfileDocument doc;
  std::string value;
  if (doc.Load(path) == 0 && doc.Get(section, key, &value)) return CopyText(buf, width, value);
  return CopyText(buf, width, def);
}

int ProfileReadInt(const std::string& path, std::string_view section, std::string_view key,
                   int def) {
  ProfileDocument doc;
  std::string value;
  if (doc.Load(path) == 0 && doc.Get(section, key, &value)) return ParseProfileInt(value, def);
  return def;
}

int ProfileWriteString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view value) {
  ProfileDocument doc;
  if (doc.Load(path) != 0) return -1;  // never replace a file we could not read
  doc.Set(section, key, value);
  return doc.Save(path);
}

int ProfileWriteInt(const std::string& path, std::string_view section, std::string_view key,
                    int value) {
  return ProfileWriteString(path, section, key, Format("%d", value));
}

}  // namespace platform
