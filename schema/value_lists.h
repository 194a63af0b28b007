// Scheme tables and value-list files: the lists of allowed values the two value choosers show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"

constexpr int kMaxValueFiles = 20;    // value-list files offered
constexpr int kMaxListValues = 1000;  // values taken from one multiple-value file
constexpr size_t kSchemeLineChars = 255;

// What a value chooser is given and gives back.
struct ChooserRequest {
  int32_t x;  // screen position of the dialog's top-left corner
  int32_t y;
  const char* options;  // a literal list "a,b,c", or a file reference "[name]" / "[name"
  char text[1024];      // in: the starting text; out: the chosen value (a tag value's capacity)
};

// The file named by a file reference: the text after "[" up to "]" or the end. Empty when the
// options are a literal list.
std::string ValueFileName(const char* options);

// The lines the single-value chooser offers, in file or list order (the list control sorts
// them): the pieces of a literal list, or the lines of the scheme table in the start-up
// directory, each cut at its line break, empty lines included. 0, or -1 after reporting
// "M039:Error opening thesaurus file <options>" (the list is then empty).
int ReadValueChoices(const char* options, std::vector<std::string>* lines);

// The value a chosen line stands for: the part before its first comma.
std::string ValueOfLine(std::string_view line);

// Puts a chosen value into the request, truncated at the text's capacity.
void SetChosenText(ChooserRequest* request, std::string_view value);

// The values of a multiple-value list file named by options ("[name]"): each line's values
// split at MTsepS, empty ones skipped. 0, or -1 after reporting M038 (not a file reference),
// M034 (cannot be read), M035 (no memory) or M036/M037 (the 1000th value was a line or a
// piece; values holds those read before it).
int ReadMultipleValues(const char* options, std::vector<std::string>* values);

// The chosen values a current tag value stands for: its pieces between MTsepS characters; a
// last empty piece is left out.
std::vector<std::string> SplitChosenValues(std::string_view text);

// The chosen values in list order (alphabetical) joined by MTsepS, into the request's text.
void JoinChosenValues(std::vector<std::string> values, ChooserRequest* request);

// Sorts lines as the choosers' sorted lists show them: without regard to case.
void SortListLines(std::vector<std::string>* lines);

// The options text for a value-list file: "[name]".
std::string ValueFileOptions(std::string_view name);
// True when options name a multiple-value list: in capitals they contain ".LSM]".
bool OpensMultipleChooser(std::string_view options);

// Collects the names of the start-up directory's files matching "*.LS*", at most
// kMaxValueFiles, packed one after the other into names (namesSize bytes) with table[i]
// pointing at each. Returns how many were found (names that do not fit are left out).
int ListValueFiles(platform::WindowHandle window, char* names, size_t namesSize,
                   char* table[kMaxValueFiles]);
