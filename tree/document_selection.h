// Document selection: the dialog "Select Document/File for editing" in which the user picks a
// document, a tree-tag file or a branch of the document tree. It is exported to plug-ins as
// DlgOpenFile.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui.h"

extern char gBranch[256];  // the branch directory chosen for branch tasks, "" when none

// DlgOpenFile's flags: the low 16 bits are the open mode that tests the chosen file.
enum : uint32_t {
  kOpenModeRead = 0x0000,       // the file can be opened for reading
  kOpenModeWrite = 0x0001,      // the file exists and can be opened for writing (not changed)
  kOpenModeReadWrite = 0x0002,  // both
  kOpenModeExist = 0x4000,      // only tests that the file exists
  kOpenModeMask = 0xFFFF,
  kOpenBeepOnFailure = 1u << 16,  // beep and stay open when the chosen file cannot be opened
  kOpenKeepNameEmpty = 1u << 17,  // keep the file-name field empty after a refresh
  kOpenProgramFlags = kOpenModeExist | kOpenBeepOnFailure | (1u << 20),  // the program's callers
};

// Control ids of the dialog.
enum : int {
  kIdSelectDirectories = 1101,  // list box "Document Tree": ".." first, then the subdirectories
  kIdSelectFiles = 1102,        // list box "Documents/Files": the files of each pattern in turn
  kIdSelectName = 1103,         // the file-name field: a name, a directory, a path or a wildcard
  kIdSelectCurrent = 1104,      // read-only "Current Selection:"
  kIdSelectBranch = 1105,       // "Branch Tasks..." (document mode only)
  // OK (platform::kCommandOk) is hidden: a double click or Enter acts as OK; Cancel is
  // platform::kCommandCancel.
};

constexpr const char kSelectTitle[] = "Select Document/File for editing";
constexpr const char kSelectBranchCaption[] = "Branch Tasks...";
constexpr const char kParentEntry[] = "..";

// The document selection dialog "Select Document/File for editing" over the current directory.
// Returns 0 when cancelled or when a branch was chosen (gBranch set), else nonzero, with
// fileName (256 bytes) holding the chosen file's full path. value is stored, not used; extra
// is returned unchanged. The dialog leaves the current directory where the user browsed to.
// When it opens inside the site's RootPath, neither the lists nor a typed name or path lead
// out of that tree.
extern "C" int DlgOpenFile(void* window, uint32_t value, uint32_t flags, const char* filter,
                           char* fileName, uint16_t* extra);

// ReadPageTags for a file the user chose to edit: a file without a head is named to the user.
int ReadFileToEdit(platform::WindowHandle window, const char* path);

// "Open tree-tag or document file": for kCmdEditTreeTags (40041) the filter "*.tag" with
// control tags kept while reading; otherwise maskstring. Runs the dialog in the current
// directory and reads the chosen file into PageTags with ReadPageTags. Returns the path when
// the read succeeded, "" otherwise (cancelled, branch chosen, read failed).
std::string OpenTreeTagOrDocumentFile(platform::WindowHandle window, int command);
