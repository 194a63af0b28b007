// Choosing a program file for the settings (the web browser, the text editor).
#include "ui/file_chooser.h"

#include <string>

#include "platform/text.h"

using namespace platform;

int ChosenFileFlag = 0;
char ChosenFile[260];

namespace {

constexpr unsigned kErrorBufferTooSmall = 12291;

const char* DialogErrorText(unsigned code) {
  switch (code) {
    case 1:
      return "STRUCT SIZE";
    case 2:
      return "INITIALIZATION";
    case 3:
      return "NO TEMPLATE";
    case 4:
      return "NO HINSTANCE";
    case 5:
      return "LOADSTR FAILURE";
    case 6:
      return "FINDRES FAILURE";
    case 7:
      return "LOADRES FAILURE";
    case 8:
      return "LOCKRES FAILURE";
    case 9:
      return "MEMALLOC FAILURE";
    case 10:
      return "MEM LOCK FAILURE";
    case 11:
      return "NO HOOK";
    case 4097:
      return "SETUP FAILURE";
    case 4098:
      return "PARSE FAILURE";
    case 4099:
      return "RET DEF FAILURE";
    case 4100:
      return "LOAD DRV FAILURE";
    case 4101:
      return "GET DEVMODE FAIL";
    case 4102:
      return "INIT FAILURE";
    case 4103:
      return "NO DEVICES";
    case 4104:
      return "NODE FAULT PRN";
    case 4105:
      return "DNDM MISMATCH";
    case 4106:
      return "CREATE IC FAILURE";
    case 4107:
      return "PRINTER NOT FOUND";
    case 8193:
      return "NO FONTS";
    case 12289:
      return "SUBCLASS FAILURE";
    case 12290:
      return "INVALID FILENAME";
    case kErrorBufferTooSmall:
      return "BUFFER TOO SMALL";
    case 65535:
      return "DIALOG FAILURE";
    default:
      return "UNKNOWN ERROR";
  }
}

}  // namespace

int ChooseProgramFile(WindowHandle owner, const char* title, const char* filter) {
  // The pairs are offered as they are: "*.exe" finds nothing among programs without an
  // extension, but "All Files" is always in the list beside it.
  const char* pairs = filter ? filter : "Executable_*.exe_All Files_*.*__";
  OpenFileRequest request;
  request.owner = owner;
  request.title = title ? title : "";
  request.filters = FiltersFromPairs(pairs, '_');
  request.mustExist = true;  // the file and its path must exist; the current directory stays

  ChosenFileFlag = 0;
  std::optional<std::string> path = ChooseOpenFile(request);
  if (!path) {
    // The platform's dialog reports no error codes of its own: this is the user's Cancel (0).
    ShowDialogError(0, owner);
    return 0;
  }
  if (path->size() >= sizeof ChosenFile) {
    // A cut path would name another file; refuse it as the dialog's own buffer would.
    ShowDialogError(kErrorBufferTooSmall, owner);
    return 0;
  }
  CopyText(ChosenFile, *path);
  ChosenFileFlag = 1;
  return 1;
}

void ShowDialogError(unsigned code, WindowHandle owner) {
  if (code == 0) return;
  ShowMessageBox(owner, DialogErrorText(code), "", kBoxOk);
}
