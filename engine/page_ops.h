// Operations on the page tag table as a whole: tidy and sort, add a tag, save the document.
#pragma once

#include <cstddef>

#include "engine/page_tags.h"
#include "platform/ui.h"

// Removes blank records and duplicates from the first Tagcount records of table. Mode 0 tidies,
// mode 1 also sorts by name and applies the duplicate rule of strategy bits 2-3. Returns the
// new number of records (the caller stores it in Tagcount).
int TidyTags(TagRecord* table, int mode);

// Appends a tag with a starting value chosen from the schema, then tidies. 0, or -1 when the
// table is full ("M053" reported).
int AddPageTag(platform::WindowHandle window, const char* name);

// Tidies, asks for missing mandatory tags, renders the table and rewrites the document.
// 0 when written; -1 when the user went back to add mandatory tags or the rewrite failed (it
// reported why); -2 when the document has no head tag (left unchanged).
int SavePage(platform::WindowHandle window, const char* path);

// Puts a saved document at the top of PrevFiles, unless it is already one of them.
void RememberFile(const char* path);

// The value chooser AddPageTag opens for a schema tag with value options, at the point x, y of
// the window's client area. value holds the starting text (the tag name) and receives the
// chosen one (capacity cap). Returns true when a value was chosen.
using AddTagChooser = bool (*)(platform::WindowHandle window, int x, int y, const char* options,
                               char* value, size_t cap);
// Installs the chooser (nullptr: the first option is taken, as without a window).
void SetAddTagChooser(AddTagChooser chooser);

// The first value the options text offers: the first item of a literal list, or the code of the
// first line of a scheme table file in StartupPath. False when there is none.
bool FirstOptionValue(const char* options, char* value, size_t cap);

// What is sent to the main window when the recent files changed (command 1084).
constexpr int kCmdRecentFilesChanged = 1084;
using MainWindowCommand = void (*)(int command);
// Installs the sender (nullptr: nothing is sent, as before the main window exists).
void SetMainWindowCommand(MainWindowCommand send);
