// The page editor: the tags of one document or tree-tag file as 16 rows of name and value fields
// in the main window, edited straight into the page tag table.
#pragma once

#include "platform/ui.h"

extern int TopRow;                          // index of the tag shown in row 0
extern int ScrollPos;                       // scroll bar position
extern int ThumbPos;                        // position at the end of the last scroll
extern int PageChanged;                     // 1 when the page has edits not yet saved
extern int MenuRow;                         // row the tag menu was opened on, -1 for none
extern int gButMode;                        // 1 while the editor buttons are enabled
extern platform::WindowHandle CurrentEdit;  // the field that last had the focus, or nullptr
extern char CurrentDocument[512];           // path of the open file, "" when none is open
extern char ScratchPad[200];                // values the user collected, separated by ","
extern platform::WindowHandle NameEdits[16];
extern platform::WindowHandle ValueEdits[16];

// Navigation codes the fields send to the main window as a Tab key-down (second parameter).
enum : int { NAV_UP = 0, NAV_DOWN, NAV_SWAP, NAV_ENTER, NAV_INSERT, NAV_MENU };

// Tag menu commands.
enum : int {
  kCmdDeleteTag = 1048,
  kCmdClearTag = 1049,
  kCmdCopyToScratch = 1050,
  kCmdValueFromScheme = 1051,
  kCmdValueFromScratch = 1052,
  kCmdEmptyScratch = 1053,
  kCmdValueFromList = 1054,  // 1054..1073: the value-list files
};

// Add Metatag dialog: the combo box of tag names.
constexpr int kIdAddTagName = 1047;

// Creates the 32 fields, the scroll bar and the editor's buttons' hooks in the main window.
void CreateEditorRows(platform::WindowHandle window);
// Enables (1) or disables (0) the fields, CLOSE, Cancel and the eight image buttons.
void EnableEditor(int enable);
// Puts tags top.. into the rows (rows past the last tag show nothing) and focuses CurrentEdit.
void FillEditRows(int top);
// Forgets CurrentEdit and empties all 32 fields.
void ClearEditRows();
// Draws the attribute marks of the visible rows (when showatts).
void PaintAttributeMarks(platform::Canvas& dc);

// Handles an editor command or notification of the main window; false when id is not one.
bool EditorCommand(platform::WindowHandle window, int id, unsigned notification,
                   platform::LParam control);
// A navigation code sent by a field.
void EditorNavigate(platform::WindowHandle window, int code);
// A vertical scroll of the rows.
void EditorScroll(platform::WindowHandle window, unsigned code, int position);
// Asks the save question when PageChanged and saves on Yes. False when the page must stay open
// (the save failed or was refused); true when the caller may go on.
bool AskToSaveChanges(platform::WindowHandle window);

// The branch tasks for the branch the document selection chose (gBranch).
using BranchTasksRunner = void (*)(platform::WindowHandle window);
void SetBranchTasksRunner(BranchTasksRunner run);

// Forgets the editor's state (nothing open, no scratch pad); for tests and a new main window.
void ResetPageEditor();
