// Set-up, layout and message handling of the Windows window, and the
// ui::WindowView calls. Pixel sizes are at 96 dpi and scaled to the window's
// dpi.
#include "win/main_window.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "items/item_list.h"
#include "platform/win32/win_text.h"
#include "res/windows/resource_ids.h"
#include "text/catalog.h"
#include "ui/language_menu.h"
#include "ui/window_layout.h"
#include "ui/window_texts.h"
#include "win/dpi_calls.h"
#include "win/resource_ids.h"
#include "win/win_window_port.h"

namespace tarnwell::win {
namespace {

using platform::win32::ToUtf8;
using platform::win32::ToWide;
namespace texts = ui::texts;

using namespace ui::layout;
constexpr int kButtonInset = 1;

// The control id of each ui::Control, in its order.
constexpr int kControlIds[] = {IDC_DELETE,       IDC_DELETE_EXIT, IDC_RESET,          IDC_OVERWRITE,
                               IDC_DELAY,        IDC_IMPORT,      ID_FILL_FREE_SPACE, IDC_LANGUAGE,
                               ID_HELP_TEXT,     IDCANCEL,        IDC_WEB_LINK,       IDC_GROUP,
                               IDC_INSTRUCTIONS, IDC_ITEMLIST,    IDC_ADD_FILES};
static_assert(std::size(kControlIds) == ui::kControlCount);

// The command of each button.
struct ButtonCommand {
  int id;
  ui::Command command;
};
constexpr ButtonCommand kButtonCommands[] = {
    {IDCANCEL, ui::Command::kCancel},
    {IDC_DELETE, ui::Command::kDelete},
    {IDC_DELETE_EXIT, ui::Command::kDeleteExit},
    {IDC_RESET, ui::Command::kReset},
    {IDC_OVERWRITE, ui::Command::kOverwrite},
    {IDC_DELAY, ui::Command::kDelay},
    {IDC_LANGUAGE, ui::Command::kLanguage},
    {ID_HELP_TEXT, ui::Command::kHelp},
    {ID_FILL_FREE_SPACE, ui::Command::kFill},
    {IDC_WEB_LINK, ui::Command::kWebLink},
    {IDC_IMPORT, ui::Command::kImport},
    {IDC_ADD_FILES, ui::Command::kAddFiles},
};

// Keyboard shortcuts of the commands, as the Qt window has them, with the
// names their tool tips show. The erase has a chord no list editing uses:
// Del and Backspace in the item list only take rows out of it (LVN_KEYDOWN).
struct CommandKey {
  ACCEL key;
  const char* name;
};
constexpr CommandKey kCommandKeys[] = {
    {{FCONTROL | FVIRTKEY, 'E', IDC_DELETE}, "Ctrl+E"},
    {{FCONTROL | FSHIFT | FVIRTKEY, 'E', IDC_DELETE_EXIT}, "Ctrl+Shift+E"},
    {{FCONTROL | FVIRTKEY, 'R', IDC_RESET}, "Ctrl+R"},
    {{FCONTROL | FVIRTKEY, 'P', IDC_OVERWRITE}, "Ctrl+P"},
    {{FCONTROL | FVIRTKEY, 'T', IDC_DELAY}, "Ctrl+T"},
    {{FCONTROL | FVIRTKEY, 'O', IDC_IMPORT}, "Ctrl+O"},
    {{FCONTROL | FSHIFT | FVIRTKEY, 'F', ID_FILL_FREE_SPACE}, "Ctrl+Shift+F"},
    {{FCONTROL | FVIRTKEY, 'L', IDC_LANGUAGE}, "Ctrl+L"},
    {{FVIRTKEY, VK_F1, ID_HELP_TEXT}, "F1"},
    {{FCONTROL | FVIRTKEY, 'Q', IDCANCEL}, "Ctrl+Q"},
};

// The status bar passes its link's clicks on to the window.
LRESULT CALLBACK ForwardCommands(HWND bar, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                 DWORD_PTR window) {
  if (message == WM_COMMAND) {
    return SendMessageW(reinterpret_cast<HWND>(window), message, wparam, lparam);
  }
  return DefSubclassProc(bar, message, wparam, lparam);
}

int Width(const RECT& r) { return static_cast<int>(r.right - r.left); }
int Height(const RECT& r) { return static_cast<int>(r.bottom - r.top); }

std::wstring WindowText(HWND control) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A button's name for screen readers: its label without the header marks.
std::string AccessibleLabel(std::string label) {
  for (const std::string mark : {"\u00bb\u00bb ", " \u00ab\u00ab"}) {
    if (const size_t at = label.find(mark); at != std::string::npos) label.erase(at, mark.size());
  }
  return label;
}

}  // namespace

int ControlId(ui::Control control) { return kControlIds[static_cast<int>(control)]; }

MainWindow::MainWindow(platform::Env& env, settings::SettingsStore& settings)
    : env_(env), settings_(settings) {}

MainWindow::~MainWindow() {
  if (taskbar_ != nullptr) taskbar_->Release();
  if (annotations_ != nullptr) annotations_->Release();
  if (keys_ != nullptr) DestroyAcceleratorTable(keys_);
  if (window_ != nullptr) DestroyWindow(window_);
}

int MainWindow::Scaled(int pixels) const { return MulDiv(pixels, DpiForWindow(window_), 96); }

RECT MainWindow::TemplateRect(int left, int top, int width, int height) const {
  RECT rect{left, top, left + width, top + height};
  MapDialogRect(window_, &rect);
  return rect;
}

bool MainWindow::Run(const std::vector<std::string>& argument_paths) {
  window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                               &MainWindow::DialogProc, reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) return false;
  ShowWindow(window_, SW_SHOWNORMAL);
  SetFocus(item_view_->handle());
  logic_->AddStartPaths(argument_paths);

  MSG msg;
  while (!closed_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Enter does nothing in this window, not even on a focused button.
    if ((msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) ||
        (msg.message == WM_CHAR && msg.wParam == L'\r')) {
      continue;
    }
    // Escape is Cancel, also while Exit is disabled (the dialog manager
    // would hold it back then).
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      logic_->Run(ui::Command::kCancel);
      continue;
    }
    if (TranslateAcceleratorW(window_, keys_, &msg)) continue;
    if (IsDialogMessageW(window_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

bool MainWindow::EndRun() {
  if (logic_ == nullptr) return true;
  return logic_->EndRun(-1, [] {
    // Sent messages (a worker's calls, dropped now) are handled in the wait.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  });
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<MainWindow*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    self->window_ = window;
    self->SetUp();
    return FALSE;  // the focus is set by Run
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self == nullptr ? FALSE : self->HandleMessage(message, wparam, lparam);
}

INT_PTR MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WinWindowPort::kCallMessage:
      static_cast<WinWindowPort&>(logic_->port()).RunSentCall(lparam);
      return TRUE;
    case WM_SIZE:
      LayoutControls();
      return TRUE;
    case WM_GETMINMAXINFO: {
      if (link_strip_ == nullptr) return FALSE;
      const SIZE client = MinimumClientSize();
      RECT frame{0, 0, client.cx, client.cy};
      AdjustRectForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)),
                       DpiForWindow(window_));
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      limits->ptMinTrackSize = POINT{Width(frame), Height(frame)};
      return TRUE;
    }
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, Width(*suggested),
                   Height(*suggested), SWP_NOZORDER | SWP_NOACTIVATE);
      return TRUE;
    }
    case WM_DROPFILES:
      HandleDrop(reinterpret_cast<HDROP>(wparam));
      return TRUE;
    case WM_CLOSE:
      logic_->Run(ui::Command::kCancel);  // the close box is Cancel, also while Exit is disabled
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->idFrom == IDC_ITEMLIST && header->code == LVN_GETDISPINFOW) {
        item_view_->AnswerCell(reinterpret_cast<NMLVDISPINFOW*>(lparam));
        return TRUE;
      }
      if (header->idFrom == IDC_ITEMLIST && header->code == LVN_GETINFOTIPW) {
        item_view_->AnswerTip(reinterpret_cast<NMLVGETINFOTIPW*>(lparam));
        return TRUE;
      }
      if (header->idFrom == IDC_ITEMLIST && header->code == LVN_KEYDOWN) {
        // The keys that edit a list never start an erase here.
        const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey;
        if (key != VK_DELETE && key != VK_BACK) return FALSE;
        logic_->RemoveRows(item_view_->SelectedRows());
        return TRUE;
      }
      if ((header->idFrom == IDC_ITEMLIST || header->idFrom == IDC_MESSAGES) &&
          header->code == NM_SETFOCUS) {
        ShowFocusedRow(header->hwndFrom);
        return FALSE;
      }
      return FALSE;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) != item_view_->handle()) return FALSE;
      ShowItemMenu(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return TRUE;
    case WM_COMMAND:
      // HIWORD 1: a shortcut key.
      OnCommand(LOWORD(wparam), HIWORD(wparam) == 1);
      return TRUE;
    default:
      return FALSE;
  }
}

void MainWindow::OnCommand(int id, bool from_key) {
  if (id >= IDM_LANGUAGE_BASE + ui::kFirstLanguageCommand &&
      id <= IDM_LANGUAGE_BASE + ui::kTranslateCommand) {
    posted_language_entry_ = id - IDM_LANGUAGE_BASE;
    id = IDC_LANGUAGE;
  }
  // A key reaches a command only while its button is enabled.
  HWND button = Button(id);
  if (from_key && (button == nullptr || !IsWindowEnabled(button))) return;
  for (const ButtonCommand& entry : kButtonCommands) {
    if (entry.id == id) logic_->Run(entry.command);
  }
  posted_language_entry_.reset();
}

ToolStrip* MainWindow::StripOf(int id) const {
  for (ToolStrip* strip :
       {action_strip_.get(), fill_strip_.get(), app_strip_.get(), link_strip_.get()}) {
    if (strip != nullptr && strip->Button(id) != nullptr) return strip;
  }
  return nullptr;
}

HWND MainWindow::Button(int id) const {
  const ToolStrip* strip = StripOf(id);
  return strip != nullptr ? strip->Button(id) : nullptr;
}

void MainWindow::SetUp() {
  HWND window = window_;
  logic_ = std::make_unique<ui::WindowLogic>(
      ui::WindowServices{env_, settings_, worker_}, *this, [window](core::WindowPort& ui_side) {
        return std::make_unique<WinWindowPort>(ui_side, window);
      });
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const UINT dpi = DpiForWindow(window_);
  for (auto [kind, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int side = SystemMetricForDpi(metric, dpi);
    auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(TARNWELL_IDI_APP),
                                              IMAGE_ICON, side, side, LR_SHARED));
    if (icon == nullptr) icon = LoadIconW(nullptr, IDI_APPLICATION);
    SendMessageW(window_, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    if (kind == ICON_BIG) {
      SendDlgItemMessageW(window_, IDC_PROGRAM_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon),
                          0);
    }
  }
  item_view_ = std::make_unique<ItemListView>(GetDlgItem(window_, IDC_ITEMLIST), logic_->items());
  // Focus marks show from the start, not only after a key was pressed.
  SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              reinterpret_cast<void**>(&taskbar_))) ||
      FAILED(taskbar_->HrInit())) {
    if (taskbar_ != nullptr) taskbar_->Release();
    taskbar_ = nullptr;
  }
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&annotations_)))) {
    annotations_ = nullptr;
  }
  messages_ = std::make_unique<MessageList>(GetDlgItem(window_, IDC_MESSAGES));
  CreateBars();
  std::vector<ACCEL> keys;
  for (const CommandKey& key : kCommandKeys) keys.push_back(key.key);
  keys_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
  SetTabOrder();
  logic_->ApplyLanguageTexts();
  // Centred at the size it has after growing to fit its texts.
  RECT frame{};
  GetWindowRect(window_, &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  SetWindowPos(window_, nullptr, work.left + std::max(0, (Width(work) - Width(frame)) / 2),
               work.top + std::max(0, (Height(work) - Height(frame)) / 2), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::CreateBars() {
  // The status bar holds the link; it is a control parent so Tab reaches it.
  status_bar_ = CreateWindowExW(WS_EX_CONTROLPARENT, STATUSCLASSNAMEW, L"",
                                WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, window_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)),
                                GetModuleHandleW(nullptr), nullptr);
  SendMessageW(status_bar_, WM_SETFONT, SendMessageW(window_, WM_GETFONT, 0, 0), FALSE);
  SetWindowSubclass(status_bar_, &ForwardCommands, 0, reinterpret_cast<DWORD_PTR>(window_));
  tips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0,
                          0, 0, 0, window_, nullptr, GetModuleHandleW(nullptr), nullptr);

  fill_strip_ = std::make_unique<ToolStrip>(window_);
  app_strip_ = std::make_unique<ToolStrip>(window_);
  action_strip_ = std::make_unique<ToolStrip>(window_);
  link_strip_ = std::make_unique<ToolStrip>(status_bar_);
  // The labels come from the logic (ApplyLanguageTexts).
  app_strip_->AddButton(IDC_LANGUAGE, "#");
  fill_strip_->AddButton(ID_FILL_FREE_SPACE, "#");
  app_strip_->AddButton(ID_HELP_TEXT, "#");
  app_strip_->AddButton(IDCANCEL, "#");
  action_strip_->AddButton(IDC_RESET, "#");
  action_strip_->AddSeparator();
  action_strip_->AddButton(IDC_DELETE, "#");
  action_strip_->AddSeparator();
  action_strip_->AddButton(IDC_DELETE_EXIT, "#");
  action_strip_->AddSeparator();
  action_strip_->AddButton(IDC_OVERWRITE, "#");
  action_strip_->AddSeparator();
  action_strip_->AddButton(IDC_DELAY, "#");
  action_strip_->AddSeparator();
  action_strip_->AddButton(IDC_IMPORT, "#");
  action_strip_->AddSeparator();
  action_strip_->AddButton(IDC_ADD_FILES, "#");
  link_strip_->AddButton(IDC_WEB_LINK, "?");
  ShowWindow(GetDlgItem(window_, IDC_LINK_PLACE), SW_HIDE);
  for (const ToolStrip* strip :
       {fill_strip_.get(), app_strip_.get(), action_strip_.get(), link_strip_.get()}) {
    for (HWND button : strip->Buttons()) {
      TTTOOLINFOW tool{};
      tool.cbSize = sizeof(tool);
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = GetParent(button);
      tool.uId = reinterpret_cast<UINT_PTR>(button);
      tool.lpszText = const_cast<wchar_t*>(L"");
      SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
}

void MainWindow::SetTabOrder() {
  // Tab follows the z-order, set to reading order as in the Qt window: the
  // header's buttons, the action buttons, item list, messages, the link.
  std::vector<HWND> order;
  for (const ToolStrip* strip : {fill_strip_.get(), app_strip_.get(), action_strip_.get()}) {
    order.insert(order.end(), strip->Buttons().begin(), strip->Buttons().end());
  }
  order.push_back(item_view_->handle());
  order.push_back(messages_->handle());
  order.push_back(status_bar_);  // holds the link
  HWND after = HWND_TOP;
  for (HWND control : order) {
    SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = control;
  }
}

void MainWindow::SetAccessibleTexts() {
  struct Described {
    HWND control;
    std::string name;  // empty: the control's own text names it
    std::string description;
  };
  auto label = [this](int id) { return AccessibleLabel(ToUtf8(WindowText(Button(id)))); };
  const Described controls[] = {
      {Button(IDC_RESET), "", text::LookupUtf8(texts::kDescribeReset)},
      {Button(IDC_DELETE), "", text::LookupUtf8(texts::kDescribeDelete)},
      {Button(IDC_DELETE_EXIT), "", text::LookupUtf8(texts::kDescribeDeleteExit)},
      {Button(IDC_OVERWRITE), "", text::LookupUtf8(texts::kDescribeOverwrite)},
      {Button(IDC_DELAY), "", text::LookupUtf8(texts::kDescribeDelay)},
      {Button(IDC_IMPORT), "", text::LookupUtf8(texts::kDescribeImport)},
      {Button(IDC_ADD_FILES), "", text::LookupUtf8(texts::kDescribeAddFiles)},
      {Button(ID_FILL_FREE_SPACE), label(ID_FILL_FREE_SPACE),
       text::LookupUtf8(texts::kDescribeFill)},
      {Button(IDC_LANGUAGE), label(IDC_LANGUAGE), text::LookupUtf8(texts::kDescribeLanguage)},
      {Button(ID_HELP_TEXT), text::LookupUtf8(texts::kHelpCaption),
       text::LookupUtf8(texts::kDescribeHelp)},
      {Button(IDCANCEL), label(IDCANCEL), text::LookupUtf8(texts::kDescribeExit)},
      {Button(IDC_WEB_LINK), "", text::LookupUtf8(texts::kDescribeLink)},
      {item_view_->handle(), text::LookupUtf8(texts::kItems),
       text::LookupUtf8(texts::kDescribeItems)},
      {messages_->handle(), text::LookupUtf8(texts::kMessages),
       text::LookupUtf8(texts::kDescribeMessages)},
      {status_bar_, text::LookupUtf8(texts::kProgress), ""},
      {GetDlgItem(window_, IDC_PROGRAM_ICON), text::LookupUtf8(texts::kProductName),
       text::AboutUtf8(texts::kAboutProduct)},
  };
  // Screen readers read names and descriptions through the system's
  // accessibility objects; wine may lack them, which costs only those.
  IAccPropServices* services = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
    services = nullptr;
  }
  for (const Described& entry : controls) {
    const std::wstring description = ToWide(entry.description);
    if (services != nullptr) {
      if (!entry.name.empty()) {
        services->SetHwndPropStr(entry.control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_NAME, ToWide(entry.name).c_str());
      }
      if (!description.empty()) {
        services->SetHwndPropStr(entry.control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_DESCRIPTION, description.c_str());
      }
    }
    // Buttons name their shortcut in their tool tip.
    const int id = GetDlgCtrlID(entry.control);
    if (StripOf(id) != nullptr) {
      std::wstring tip = ToWide(
          entry.name.empty() ? AccessibleLabel(ToUtf8(WindowText(entry.control))) : entry.name);
      for (const CommandKey& key : kCommandKeys) {
        if (key.key.cmd == id) tip += L" (" + ToWide(key.name) + L")";
      }
      TTTOOLINFOW tool{};
      tool.cbSize = sizeof(tool);
      tool.hwnd = GetParent(entry.control);
      tool.uId = reinterpret_cast<UINT_PTR>(entry.control);
      tool.lpszText = tip.data();
      SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  if (services != nullptr) {
    // The status bar shows the job's progress: screen readers hear it as a
    // progress bar, its value set by SetProgress.
    VARIANT role{};
    role.vt = VT_I4;
    role.lVal = ROLE_SYSTEM_PROGRESSBAR;
    services->SetHwndProp(status_bar_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                          PROPID_ACC_ROLE, role);
    services->Release();
  }
}

int MainWindow::InstructionGrowth(int text_width) {
  HWND text = GetDlgItem(window_, IDC_INSTRUCTIONS);
  const int length = GetWindowTextLengthW(text);
  std::wstring content(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(text, content.data(), length + 1);
  HDC dc = GetDC(text);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(text, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, std::max(1, text_width), 0};
  // As a static text draws itself: words wrapped, "&&" one "&".
  DrawTextW(dc, content.c_str(), length, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(text, dc);
  return std::max(0, Height(needed) - Height(TemplateRect(14, 29, 268, 32)));
}

void MainWindow::LayoutControls() {
  if (link_strip_ == nullptr) return;
  RECT client{};
  GetClientRect(window_, &client);
  const int width = client.right;
  const int height = client.bottom;
  const int bar = Scaled(kBarHeight);
  const int inset = Scaled(kButtonInset);
  fill_strip_->Place(inset, inset, bar - 2 * inset);
  app_strip_->Place(width - app_strip_->Span() - inset, inset, bar - 2 * inset);

  SendMessageW(status_bar_, WM_SIZE, 0, 0);  // it keeps itself at the bottom edge
  RECT status{};
  GetWindowRect(status_bar_, &status);
  const int status_height = Height(status);
  // A link longer than its place grows to the left, never past the edge.
  const int link_width = std::max(Scaled(kLinkWidth), link_strip_->Span());
  link_strip_->Place(width - Scaled(kLinkFromRight) + Scaled(kLinkWidth) - link_width, inset,
                     status_height - 2 * inset, link_width);

  const RECT group = TemplateRect(7, 17, 321, 49);
  const RECT text = TemplateRect(14, 29, 268, 32);
  const RECT icon = TemplateRect(287, 28, 21, 20);
  const RECT list = TemplateRect(7, 84, 321, 73);
  const int left = group.left;
  const int list_width = std::max(0, width - 2 * left);
  const int icon_x = left + list_width - (group.right - icon.right) - Width(icon);
  const int text_width = std::max(0, icon_x - static_cast<int>(icon.left - text.right + text.left));
  // The group box grows downwards when the instructions need more lines.
  const int grown = InstructionGrowth(text_width);
  const int top = list.top + grown;
  constexpr UINT kMove = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(GetDlgItem(window_, IDC_GROUP), nullptr, left, group.top, list_width,
               Height(group) + grown, kMove);
  SetWindowPos(GetDlgItem(window_, IDC_PROGRAM_ICON), nullptr, icon_x, icon.top, Width(icon),
               Height(icon), kMove);
  SetWindowPos(GetDlgItem(window_, IDC_INSTRUCTIONS), nullptr, text.left, text.top, text_width,
               Height(text) + grown, kMove);
  action_strip_->Place(left, top - bar + inset, bar - 2 * inset);
  SetWindowPos(item_view_->handle(), nullptr, left, top, list_width,
               std::max(0, height - top - Scaled(kItemListBottomGap)), kMove);
  SetWindowPos(messages_->handle(), nullptr, left, height - Scaled(kMessageListTopFromBottom),
               list_width, Scaled(kMessageListHeight), kMove);
  item_view_->FitColumns();
  messages_->FitColumn();
  InvalidateRect(window_, nullptr, TRUE);
}

SIZE MainWindow::MinimumClientSize() {
  const int left = TemplateRect(7, 17, 321, 49).left;
  HWND group = GetDlgItem(window_, IDC_GROUP);
  std::wstring title(static_cast<size_t>(GetWindowTextLengthW(group)) + 1, L'\0');
  title.resize(
      static_cast<size_t>(GetWindowTextW(group, title.data(), static_cast<int>(title.size()))));
  HDC dc = GetDC(group);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(group, WM_GETFONT, 0, 0)));
  RECT title_rect{0, 0, 0, 0};
  DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &title_rect,
            DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(group, dc);

  const int width =
      std::max({Scaled(kMinClientWidth), action_strip_->Span() + 2 * left,
                fill_strip_->Span() + Scaled(kHeaderGap) + app_strip_->Span(),
                Width(title_rect) + Scaled(kGroupTitleMargin) + 2 * left,
                link_strip_->Span() + Scaled(kLinkFromRight - kLinkWidth + kHeaderGap)});
  const RECT group_rect = TemplateRect(7, 17, 321, 49);
  const RECT text = TemplateRect(14, 29, 268, 32);
  const RECT icon = TemplateRect(287, 28, 21, 20);
  const int list_width = width - 2 * left;
  const int icon_x = left + list_width - (group_rect.right - icon.right) - Width(icon);
  const int grown =
      InstructionGrowth(std::max(0, icon_x - static_cast<int>(icon.left - text.right + text.left)));
  const int top = TemplateRect(7, 84, 321, 73).top + grown;
  return SIZE{width, top + Scaled(kMinItemListHeight + kItemListBottomGap)};
}

void MainWindow::GrowToMinimum() {
  RECT client{};
  GetClientRect(window_, &client);
  const SIZE minimum = MinimumClientSize();
  if (client.right >= minimum.cx && client.bottom >= minimum.cy) return;
  RECT frame{0, 0, std::max(client.right, minimum.cx), std::max(client.bottom, minimum.cy)};
  AdjustRectForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                   static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)),
                   DpiForWindow(window_));
  SetWindowPos(window_, nullptr, 0, 0, Width(frame), Height(frame),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::ShowItemMenu(POINT at) {
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: below the focused row, else the list's corner.
    RECT row{};
    const int focused = ListView_GetNextItem(item_view_->handle(), -1, LVNI_FOCUSED);
    if (focused < 0 || !ListView_GetItemRect(item_view_->handle(), focused, &row, LVIR_BOUNDS)) {
      GetClientRect(item_view_->handle(), &row);
      row.bottom = row.top;
    }
    at = POINT{row.left, row.bottom};
    ClientToScreen(item_view_->handle(), &at);
  }
  item_menu_at_ = at;
  logic_->ShowItemMenu(item_view_->SelectedRows());
}

void MainWindow::HandleDrop(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> paths;
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
    if (!path.empty()) paths.push_back(platform::win32::LogicPath(path));
  }
  DragFinish(drop);
  logic_->DropPaths(paths);
}

// ---- ui::WindowView ---------------------------------------------------------

void MainWindow::SetControlText(ui::Control control, std::string_view text) {
  if (control == ui::Control::kItemList) return item_view_->SetHint(text);
  const int id = ControlId(control);
  if (ToolStrip* strip = StripOf(id)) {
    strip->SetButtonText(id, text);
    LayoutControls();  // the button's width follows its label
  } else {
    // Static texts show "&&" as "&" by themselves.
    SetDlgItemTextW(window_, id, ToWide(text).c_str());
  }
}

void MainWindow::EnableControl(ui::Control control, bool enabled) {
  if (HWND button = Button(ControlId(control))) EnableWindow(button, enabled ? TRUE : FALSE);
}

void MainWindow::InsertMessage(std::string_view text, core::MessageIcon icon) {
  messages_->InsertMessage(text, icon);
}

void MainWindow::ClearMessages() { messages_->Clear(); }

void MainWindow::SetStatusText(std::string_view text) {
  SendMessageW(status_bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
}

void MainWindow::SetTitle(std::string_view text) { SetWindowTextW(window_, ToWide(text).c_str()); }

void MainWindow::ItemRowsChanged(int /*row_count*/) { item_view_->RowsChanged(); }

void MainWindow::SetColumnTitles(std::string_view path, std::string_view size,
                                 std::string_view messages) {
  item_view_->SetColumnTitles(path, size);
  messages_->SetColumnTitle(messages);
}

void MainWindow::TextsChanged() {
  SetAccessibleTexts();
  GrowToMinimum();
  LayoutControls();
}

void MainWindow::SetProgress(double percent) {
  const bool running = percent >= 0;
  const auto permille = static_cast<ULONGLONG>(std::clamp(percent, 0.0, 100.0) * 10);
  if (taskbar_ != nullptr) {
    taskbar_->SetProgressState(window_, running ? TBPF_NORMAL : TBPF_NOPROGRESS);
    if (running) taskbar_->SetProgressValue(window_, permille, 1000);
  }
  if (annotations_ != nullptr) {
    const std::wstring value = std::to_wstring(permille / 10) + L" %";
    annotations_->SetHwndPropStr(status_bar_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_VALUE, value.c_str());
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, status_bar_, OBJID_CLIENT, CHILDID_SELF);
  }
}

void MainWindow::Close(int /*result*/) {
  // The message loop ends; the window goes with this object, after the end
  // of the run has cut the worker off.
  closed_ = true;
  ShowWindow(window_, SW_HIDE);
  // A Cancel sent by the worker (Delete + Exit) is handled inside
  // GetMessageW, which returns only for a posted message.
  PostMessageW(window_, WM_NULL, 0, 0);
}

}  // namespace tarnwell::win
