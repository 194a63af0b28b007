#include "tree/site_check.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "engine/page_tags.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "schema/schema.h"
#include "tree/listing.h"
#include "tree/tree_tags.h"

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

// Whether every item of value (split at the site's multivalue separator) is one of the
// comma-separated options.
bool AmongOptions(std::string_view value, std::string_view options) {
  const char separator = MTsepS[0] ? MTsepS[0] : ',';
  for (;;) {
    size_t cut = value.find(separator);
    std::string_view item = Trim(value.substr(0, cut));
    bool found = false;
    std::string_view rest = options;
    for (;;) {
      size_t comma = rest.find(',');
      if (Trim(rest.substr(0, comma)) == item) found = true;
      if (found || comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
    if (!found) return false;
    if (cut == std::string_view::npos) return true;
    value.remove_prefix(cut + 1);
  }
}

// Only schema tags are judged: the reader stores no other.
bool SchemaKeeps(const char (&name)[32]) {
  return FindSchemaTag(name) >= 0;
}

// Directories deeper than this are listed with their descriptor let go while their
// subdirectories are walked, and opened again for their documents.
constexpr int kHeldLevels = 32;

struct Checker {
  CheckSink sink;
  void* context;
  CheckTally tally;
  std::vector<char> seen;  // per schema entry: 0 absent, 1 once, 2 reported as duplicate
  std::string path;        // reused for every document
  TagNeedles needles;      // the schema's names: other tags are passed over unread

  void Report(CheckProblem problem, std::string_view tag, std::string_view value) {
    sink(context, path, problem, tag, value);
    ++tally.problems;
  }

  void Document(int dirFd, const char* name) {
    ++tally.documents;
    const int before = tally.problems;
    if (ReadPageTagsAt(nullptr, dirFd, name, path.c_str(), TagFilter{SchemaKeeps, &needles}) != 0) {
      Report(CheckProblem::kUnreadableHead, "", "");
    } else {
      std::fill(seen.begin(), seen.end(), 0);
      for (int t = 0; t < Tagcount; ++t) {
        const TagRecord& tag = PageTags[t];
        int i = FindSchemaTag(tag.name);
        if (i < 0) continue;
        const SchemaEntry& entry = SchemaIndex[i];
        char& mark = seen[static_cast<size_t>(i)];
        if (mark && !(entry.flags & SF_DUPLICATES)) {
          if (mark == 1) Report(CheckProblem::kDuplicate, tag.name, tag.value);
          mark = 2;
        } else if (!mark) {
          mark = 1;
        }
        const char* options = SchemaOptions(entry);
        // A scheme table is a chooser's offer, not a restriction: only literal lists bind.
        if (entry.options != 0 && options[0] != '[' && !AmongOptions(tag.value, options))
          Report(CheckProblem::kNotAnOption, tag.name, tag.value);
        if ((entry.flags & SF_DATE) && !IsCalendarDate(tag.value))
          Report(CheckProblem::kNotADate, tag.name, tag.value);
      }
      if (checkmandatory == 1) {
        for (int i = 0; i < SchemaTagCount; ++i)
          if ((SchemaIndex[i].flags & SF_MANDATORY) && !seen[static_cast<size_t>(i)])
            Report(CheckProblem::kMissingMandatory, SchemaIndex[i].name, "");
      }
    }
    if (tally.problems != before) ++tally.documentsWithProblems;
  }

  // The directory is listed through a descriptor that then opens its documents, as a search
  // walks: each name is looked up in the directory, not along the whole path again.
  void Directory(const std::string& dir, int depth) {
    if (depth >= MaxTreeDepth) return;
    platform::FileSystem& fs = platform::Fs();
    std::vector<std::string> subdirs, documents;
    int fd = fs.OpenDir(dir);
    if (fd < 0 || ListWalkDirectoryAt(fd, dir, maskstring, &subdirs, &documents) != 0) {
      if (fd >= 0) fs.Close(fd);
      ++tally.unreadableDirectories;
      return;
    }
    if (!subdirs.empty() && depth > kHeldLevels) {
      fs.Close(fd);
      fd = -1;
    }
    for (const std::string& name : subdirs)
      Directory(platform::JoinPath(dir, name), depth + 1);
    if (fd < 0 && !documents.empty()) fd = fs.OpenDir(dir);  // -1: opened by their paths
    for (const std::string& name : documents) {
      path.assign(dir);
      if (path.empty() || path.back() != '/') path += '/';
      path += name;
      Document(fd, name.c_str());
    }
    if (fd >= 0) fs.Close(fd);
  }
};

bool Digits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

const char* CheckProblemName(CheckProblem problem) {
  switch (problem) {
    case CheckProblem::kUnreadableHead:
      return "unreadable-head";
    case CheckProblem::kMissingMandatory:
      return "missing-mandatory";
    case CheckProblem::kNotAnOption:
      return "not-an-option";
    case CheckProblem::kNotADate:
      return "not-a-date";
    case CheckProblem::kDuplicate:
      return "duplicate";
  }
  return "";
}

bool IsCalendarDate(std::string_view value) {
  value = Trim(value);
  std::string digits;
  if (value.size() == 8 && Digits(value)) {
    digits = value;
  } else if (value.size() == 10 && (value[4] == '-' || value[4] == '/') && value[7] == value[4] &&
             Digits(value.substr(0, 4)) && Digits(value.substr(5, 2)) &&
             Digits(value.substr(8, 2))) {
    digits = std::string(value.substr(0, 4)) + std::string(value.substr(5, 2)) +
             std::string(value.substr(8, 2));
  } else {
    return false;
  }
  int year = std::stoi(digits.substr(0, 4));
  int month = std::stoi(digits.substr(4, 2));
  int day = std::stoi(digits.substr(6, 2));
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

CheckTally CheckTree(const std::string& dir, CheckSink sink, void* context) {
  Checker checker{sink, context, {}, {}, {}, {}};
  checker.seen.assign(static_cast<size_t>(SchemaTagCount), 0);
  // The names themselves, or when they are too many for the reader, the first three bytes of
  // each: "DC." stands for every DC name.
  std::vector<const char*> names;
  for (int i = 0; i < SchemaTagCount; ++i)
    names.push_back(SchemaIndex[i].name);
  names.push_back(nullptr);
  PrepareTagNeedles(&checker.needles, names.data());
  std::vector<std::string> prefixes;
  if (checker.needles.groupCount < 0) {
    for (int i = 0; i < SchemaTagCount; ++i)
      prefixes.emplace_back(SchemaIndex[i].name, strnlen(SchemaIndex[i].name, 3));
    for (size_t i = 0; i < prefixes.size(); ++i)
      names[i] = prefixes[i].c_str();
    PrepareTagNeedles(&checker.needles, names.data());
  }
  checker.Directory(dir, 1);
  Tagcount = 0;
  return checker.tally;
}
