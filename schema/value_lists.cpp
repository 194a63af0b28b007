#include "schema/value_lists.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "config/settings.h"
#include "log/audit.h"
#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "schema/text_lines.h"

namespace {

std::string ValueFilePath(const std::string& name) {
  return platform::ResolveFixedName(StartupPath, name);
}

std::vector<std::string> SplitAt(std::string_view text, char sep) {
  std::vector<std::string> pieces;
  size_t pos = 0;
  for (;;) {
    size_t at = text.find(sep, pos);
    pieces.emplace_back(text.substr(pos, at == std::string_view::npos ? at : at - pos));
    if (at == std::string_view::npos) break;
    pos = at + 1;
  }
  return pieces;
}

// Reads the file's lines; -1 when it cannot be opened or read. Names that are empty or name
// a directory are never opened (a directory opens but cannot be read as lines).
int ReadLines(const std::string& name, size_t maxChars, std::vector<std::string>* lines) {
  if (name.empty()) return -1;
  std::string path = ValueFilePath(name);
  if (platform::DirExists(path)) return -1;
  TextLineReader reader;
  if (reader.Open(path) != 0) return -1;
  std::string raw;
  int got;
  while ((got = reader.Next(&raw, maxChars)) == 1)
    lines->push_back(CutLine(raw));
  return got < 0 ? -1 : 0;
}

}  // namespace

std::string ValueFileName(const char* options) {
  if (!options || options[0] != '[') return "";
  std::string_view rest(options + 1);
  return std::string(rest.substr(0, rest.find(']')));
}

int ReadValueChoices(const char* options, std::vector<std::string>* lines) {
  lines->clear();
  if (!options) options = "";
  if (options[0] != '[') {
    *lines = SplitAt(options, ',');
    return 0;
  }
  if (ReadLines(ValueFileName(options), kSchemeLineChars, lines) != 0) {
    lines->clear();
    ReportCoded(platform::Format("M039:Error opening thesaurus file %s", options));
    return -1;
  }
  return 0;
}

std::string ValueOfLine(std::string_view line) {
  return std::string(line.substr(0, line.find(',')));
}

void SetChosenText(ChooserRequest* request, std::string_view value) {
  platform::CopyText(request->text, value);
}

int ReadMultipleValues(const char* options, std::vector<std::string>* values) {
  values->clear();
  if (!options || options[0] != '[') {
    ReportCoded("M038:Error opening multilist file [2]");
    return -1;
  }
  const char sep = MTsepS[0];
  std::vector<std::string> lines;
  try {
    // Lines are as long as the file allows; only the value count is bounded.
    if (ReadLines(ValueFileName(options), static_cast<size_t>(-1), &lines) != 0) {
      ReportCoded("M034:Error opening multilist file [1]");
      return -1;
    }
    for (const std::string& line : lines) {
      std::vector<std::string> pieces = SplitAt(line, sep);
      for (size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].empty()) continue;
        values->push_back(pieces[i]);
        if (static_cast<int>(values->size()) >= kMaxListValues) {
          values->pop_back();
          ReportCoded(i == 0 ? "M036:Maximum number of tags exceeded"
                             : "M037:Maximum number of tags exceeded");
          return -1;
        }
      }
    }
  } catch (const std::bad_alloc&) {
    values->clear();
    ReportCoded("M035:INSUFFICIENT SYSTEM MEMORY\nCant load Multilist file.");
    return -1;
  }
  return 0;
}

std::vector<std::string> SplitChosenValues(std::string_view text) {
  std::vector<std::string> pieces = SplitAt(text, MTsepS[0]);
  if (pieces.back().empty()) pieces.pop_back();
  return pieces;
}

void JoinChosenValues(std::vector<std::string> values, ChooserRequest* request) {
  SortListLines(&values);
  std::string joined;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) joined += MTsepS[0];
    joined += values[i];
  }
  SetChosenText(request, joined);
}

void SortListLines(std::vector<std::string>* lines) {
  platform::SortNamesNoCase(lines);
}

std::string ValueFileOptions(std::string_view name) {
  return "[" + std::string(name) + "]";
}

bool OpensMultipleChooser(std::string_view options) {
  std::string upper(options);
  for (char& c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper.find(".LSM]") != std::string::npos;
}

int ListValueFiles(platform::WindowHandle window, char* names, size_t namesSize,
                   char* table[kMaxValueFiles]) {
  (void)window;  // nothing here is reported
  std::vector<std::string> files;
  if (platform::ListDirectory(StartupPath, "*.LS*", nullptr, &files) != 0) return 0;
  int count = 0;
  size_t used = 0;
  for (const std::string& name : files) {
    if (count == kMaxValueFiles) break;
    if (used + name.size() + 1 > namesSize) break;
    table[count++] = names + used;
    platform::CopyText(names + used, namesSize - used, name);
    used += name.size() + 1;
  }
  return count;
}
