// What the window logic asks of a toolkit: the Qt window (app/) and the Win32
// window (win/) each implement it. Every call is made on the UI thread and
// is synchronous. Texts are UTF-8 as the catalogue holds them; the view
// applies its controls' own rules for "&" (a static text shows "&&" as "&",
// a button or menu entry shows every "&" literally) and converts paths and
// texts to its own string type.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/window_port.h"

namespace tarnwell::ui {

// The controls the logic names. A view maps each to its widget or dialog
// item; the order is fixed (views may index tables by it).
enum class Control {
  kDelete,        // button: erase the listed items
  kDeleteExit,    // button: erase, then close the window
  kReset,         // button: empty the item list
  kOverwrite,     // button with a menu: overwrite count
  kDelay,         // button with a menu: start delay
  kImport,        // button with a menu: add a folder's contents
  kFill,          // header button: fill a volume's free space
  kLanguage,      // header button with a menu: languages and "Translate"
  kHelp,          // header button: the help box
  kCancel,        // header button: stop, or close the window
  kWebLink,       // link in the status bar
  kGroup,         // caption of the group box around the instructions
  kInstructions,  // the instruction text inside the group box
  kItemList,      // the item list: its text is the hint drawn while it is empty
  kAddFiles,      // button: add chosen files
};
inline constexpr int kControlCount = static_cast<int>(Control::kAddFiles) + 1;

// The controls disabled while a worker runs.
inline constexpr Control kBusyControls[] = {
    Control::kDelete, Control::kDeleteExit, Control::kOverwrite, Control::kReset,
    Control::kImport, Control::kCancel,     Control::kFill,      Control::kAddFiles};

// One entry of a popup menu, given as data. A chosen entry answers its
// command; separators are never chosen.
struct MenuEntry {
  enum class Mark {
    kNone,   // a plain entry
    kCheck,  // a check box of its own
    kRadio,  // one of the menu's radio entries, of which one at most is checked
  };
  std::string text;
  int command = 0;
  Mark mark = Mark::kNone;
  bool checked = false;
  bool enabled = true;
  bool separator = false;
};

inline MenuEntry MenuSeparator() {
  MenuEntry entry;
  entry.separator = true;
  return entry;
}

class WindowView {
 public:
  virtual ~WindowView() = default;

  // ---- drawing ----
  // The text of a control (button label, link label, group caption or
  // instruction text). A button may change its width: the view re-arranges
  // its strip.
  virtual void SetControlText(Control control, std::string_view text) = 0;
  // Enables or disables one control (and its keyboard shortcut).
  virtual void EnableControl(Control control, bool enabled) = 0;
  // Puts a row at the top of the message list (newest first).
  virtual void InsertMessage(std::string_view text, core::MessageIcon icon) = 0;
  // Removes every row of the message list.
  virtual void ClearMessages() = 0;
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetTitle(std::string_view text) = 0;
  // The item list's rows changed (count and contents); the view repaints
  // from the ItemList (an owner-data list asks it cell by cell).
  virtual void ItemRowsChanged(int row_count) = 0;
  // The headers of the item list's two columns and of the message list.
  virtual void SetColumnTitles(std::string_view path, std::string_view size,
                               std::string_view messages) = 0;
  // Labels changed (language switch, option labels): the view redoes what it
  // derives from them, such as accessible names and tool tips, the smallest
  // window size and the layout.
  virtual void TextsChanged() = 0;
  // The running job's share done, 0..100, for screen readers (a progress
  // bar's value on the progress display) and the taskbar; negative once no
  // job runs. Changes nothing the eye sees in the window.
  virtual void SetProgress(double percent) = 0;

  // ---- modal interactions (the logic waits for the answer) ----
  // Shows entries as a popup menu dropped below control (held down while
  // open), or for kItemList at the pointer or the list's current row;
  // returns the chosen entry's command, or -1 when dismissed.
  virtual int RunMenu(Control below, const std::vector<MenuEntry>& entries) = 0;
  // A warning box with Yes and No asking whether to stop a job; true on Yes.
  // Escape and the box's close button answer Yes: they mean "stop".
  virtual bool AskToStop(std::string_view caption, std::string_view text) = 0;
  // A box showing text with an OK button and no icon.
  virtual void ShowText(std::string_view caption, std::string_view text) = 0;
  // The folder chooser, opened in start (a native path); the chosen folder
  // as a native path, nothing when the user cancelled.
  virtual std::optional<std::string> ChooseFolder(std::string_view start) = 0;
  // The file chooser with multiple selection, opened in start; the chosen
  // files as native paths, none when the user cancelled.
  virtual std::vector<std::string> ChooseFiles(std::string_view start) = 0;
  // Hands a web address to the desktop's browser; the result is not looked at.
  virtual void OpenUrl(std::string_view url) = 0;
  // Shows folder (a native path) in the desktop's file manager; the result
  // is not looked at.
  virtual void OpenFolder(std::string_view folder) = 0;
  // Closes the window; its modal loop ends with result. A view's own close
  // requests (close box, Escape) must go to WindowLogic::Run(Command::kCancel)
  // instead, which calls this when the window may go.
  virtual void Close(int result) = 0;
};

}  // namespace tarnwell::ui
