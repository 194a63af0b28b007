// The common dialogs: open a file, choose a font, choose a directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui_canvas.h"
#include "platform/ui_types.h"

namespace platform {

// One entry of a file type list: a display name and its patterns ("*.exe", "*.htm;*.html").
struct FileFilter {
  std::string name;
  std::string pattern;
  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Splits "name<sep>pattern<sep>name<sep>pattern..." into pairs; a pair missing its pattern and
// an empty name end the list.
std::vector<FileFilter> FiltersFromPairs(std::string_view text, char separator);

struct OpenFileRequest {
  WindowHandle owner = nullptr;
  std::string title;
  std::vector<FileFilter> filters;
  std::string initialDir;  // empty: the current directory
  bool mustExist = true;
};

struct FontRequest {
  WindowHandle owner = nullptr;
  FontDescription font;  // the starting choice, replaced by the chosen one
  Colour colour = 0;
  int minPoints = 0;  // 0: no limit
  int maxPoints = 0;
  bool effects = true;  // offer colour, underline and strike-out
};

// The chosen file's path, or nothing when the user cancelled.
std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request);
// True when the user confirmed; request then holds the chosen font and colour.
bool ChooseFont(FontRequest* request);
// The chosen directory, or nothing when the user cancelled.
std::optional<std::string> ChooseDirectory(WindowHandle owner, std::string_view title,
                                           std::string_view start);

}  // namespace platform
