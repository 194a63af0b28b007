// The check of a whole tree for what a save would object to, without writing anything: for a CI
// pipeline that gates a deploy on it.
#pragma once

#include <string>
#include <string_view>

enum class CheckProblem {
  kUnreadableHead,    // the reader cannot take the head (none, unterminated, corrupt)
  kMissingMandatory,  // a mandatory schema tag is absent
  kNotAnOption,       // a value outside the schema's literal option list
  kNotADate,          // a date tag whose value is no calendar date
  kDuplicate,         // a second tag of a name the schema does not let be duplicated
};

// The problem's name as the output shows it ("missing-mandatory", ...).
const char* CheckProblemName(CheckProblem problem);

// Called once per problem: document's full path, the problem, the tag name and value (empty
// where they do not apply).
using CheckSink = void (*)(void* context, const std::string& path, CheckProblem problem,
                           std::string_view tag, std::string_view value);

struct CheckTally {
  int documents = 0;
  int problems = 0;
  int documentsWithProblems = 0;
  int unreadableDirectories = 0;
};

// Reads every document (maskstring) below dir once, as a site task finds them, and reports each
// problem to sink, documents in walk order. The schema must be loaded.
CheckTally CheckTree(const std::string& dir, CheckSink sink, void* context);

// Whether value is a calendar date: YYYYMMDD, or YYYY-MM-DD / YYYY/MM/DD, blanks around allowed.
bool IsCalendarDate(std::string_view value);
