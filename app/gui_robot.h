// Drives the real desktop program from inside its own event loops, as a user would: each step
// waits for a condition and then acts. Used by the offscreen tests and the screenshot program.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace gui {

class Robot {
 public:
  // A step returns true when it has done its work; it is asked again on the next tick until then.
  using Step = std::function<bool()>;
  Robot();
  ~Robot();
  void Add(std::string name, Step step);
  // Starts ticking every interval milliseconds (the program's loops must then run). A step that
  // has waited longer than timeoutMs ends the process with a message naming it.
  void Start(int intervalMs = 40, int timeoutMs = 20000);
  bool Finished() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The step that presses OK on the splash box until the main window shows.
void AddSplashStep(Robot& robot);
// The step that sends Exit to the main window once no dialog is open.
void AddExitStep(Robot& robot);

// Posts a key press and its release (a Qt key code, Qt modifier bits, the text it types) to the
// widget that has the keyboard focus, as the user's keyboard does. False when none has it.
bool PostKey(int qtKey, int modifiers = 0, const char* text = "");
// Posts the keys that type text, one character each.
bool PostText(const char* text);
// Clicks with the left mouse button on the button (push, radio or check box) captioned caption,
// or else on the list item whose text is caption, in the shown window titled title, as the
// user's mouse does. False while there is no such window or enabled control.
bool ClickOn(const std::string& title, const std::string& caption);
// Chooses item of the menu bar's menu as a click on it would; the command runs from the event
// loop, after the step (it may open a dialog). False while there is no such enabled item.
bool ChooseMenuItem(const std::string& menu, const std::string& item);
// The widget with the keyboard focus: its class name and its window's title ("" for none).
std::string FocusDescription();

// Copies the example home to dir (creating it) with its paths pointing there.
bool CopyExampleHome(const std::string& source, const std::string& dir);

}  // namespace gui
