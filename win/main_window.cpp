// Set-up, layout and message handling of the Windows window. Every text
// comes from the catalogue when it is shown, so ApplyLanguageTexts relabels
// the whole window after a language change. Pixel sizes are at 96 dpi and
// scaled to the window's dpi.
#include "win/main_window.h"

#include <algorithm>

#include "fill/running_fills.h"
#include "items/add_items.h"
#include "items/command_line_paths.h"
#include "items/item_list.h"
#include "platform/env.h"
#include "platform/win32/win_text.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "win/resource_ids.h"
#include "win/windows_ui.h"

namespace tarnwell::win {
namespace {

using platform::win32::ToUtf8;
using platform::win32::ToWide;

// Catalogue text ids used here.
constexpr int kTextFill = 4;
constexpr int kTextInstructions = 5;
constexpr int kTextProductName = 11;
constexpr int kTextReset = 9;
constexpr int kTextReady = 14;
constexpr int kTextGroup = 15;
constexpr int kTextExit = 28;
constexpr int kTextDelete = 29;
constexpr int kTextDeleteExit = 30;
constexpr int kTextItems = 33;
constexpr int kTextDelayFormat = 34;
constexpr int kTextOverwriteFormat = 35;
constexpr int kTextLegendInfo = 36;
constexpr int kTextLegendError = 37;
constexpr int kTextLegendWarning = 38;
constexpr int kTextPath = 47;
constexpr int kTextSize = 48;
constexpr int kTextMessages = 49;
constexpr int kTextImport = 79;
constexpr int kTextNotAdded = 167;
constexpr int kAboutProduct = 19;
constexpr int kAboutLinkGerman = 20;
constexpr int kAboutLinkOther = 21;

// Pixel rules of the layout.
constexpr int kBarHeight = 24;
constexpr int kButtonInset = 1;
constexpr int kItemListBottomGap = 130;
constexpr int kMessageListTopFromBottom = 126;
constexpr int kMessageListHeight = 100;
constexpr int kLinkFromRight = 174;
constexpr int kLinkWidth = 150;
// Room between the fill button and the buttons at the right, and for about
// three rows under the item list's header at the smallest size.
constexpr int kHeaderGap = 24;
constexpr int kMinItemListHeight = 72;
// Below this the instruction text would wrap into a narrow column.
constexpr int kMinClientWidth = 360;
// Room around the group box's title: the frame's corner and indent.
constexpr int kGroupTitleMargin = 24;
constexpr int kMaxDelaySeconds = 10;
constexpr int kMaxOverwriteLabel = 35;
constexpr int kMaxTimeMode = 2;

// Keyboard shortcuts of the commands, as the Qt window has them; Delete and
// Shift+Delete work on the item list only (LVN_KEYDOWN).
constexpr ACCEL kCommandKeys[] = {
    {FCONTROL | FVIRTKEY, 'R', IDC_RESET},
    {FCONTROL | FVIRTKEY, 'P', IDC_OVERWRITE},
    {FCONTROL | FVIRTKEY, 'T', IDC_DELAY},
    {FCONTROL | FVIRTKEY, 'O', IDC_IMPORT},
    {FCONTROL | FSHIFT | FVIRTKEY, 'F', ID_FILL_FREE_SPACE},
    {FCONTROL | FVIRTKEY, 'L', IDC_LANGUAGE},
    {FVIRTKEY, VK_F1, ID_HELP_TEXT},
    {FCONTROL | FVIRTKEY, 'Q', IDCANCEL},
};

std::string HeaderLabel(std::string_view text) {
  return "\u00bb\u00bb " + std::string(text) + " \u00ab\u00ab";
}
std::string FormatTextId(int id, int value) {
  return text::FormatText(text::LookupUtf8(id), {value});
}
// The status bar passes its link's clicks on to the window.
LRESULT CALLBACK ForwardCommands(HWND bar, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                 DWORD_PTR window) {
  if (message == WM_COMMAND)
    return SendMessageW(reinterpret_cast<HWND>(window), message, wparam, lparam);
  return DefSubclassProc(bar, message, wparam, lparam);
}
int Width(const RECT& r) { return static_cast<int>(r.right - r.left); }
int Height(const RECT& r) { return static_cast<int>(r.bottom - r.top); }

}  // namespace

MainWindow::MainWindow(platform::Env& env, settings::SettingsStore& settings)
    : env_(env), settings_(settings), items_(std::make_unique<items::ItemList>(env)) {}

MainWindow::~MainWindow() {
  if (keys_ != nullptr) DestroyAcceleratorTable(keys_);
  if (window_ != nullptr) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
}

int MainWindow::Scaled(int pixels) const { return MulDiv(pixels, GetDpiForWindow(window_), 96); }

RECT MainWindow::TemplateRect(int left, int top, int width, int height) const {
  RECT rect{left, top, left + width, top + height};
  MapDialogRect(window_, &rect);
  return rect;
}

int MainWindow::Run(const std::vector<std::string>& argument_paths) {
  window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                               &MainWindow::DialogProc, reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) return -1;
  ShowWindow(window_, SW_SHOWNORMAL);
  SetFocus(item_view_->handle());

  // A fill killed meanwhile left files and maybe a lowered reserve behind.
  fill::CleanUpAfterKilledFills(env_, fill::RuntimeStateFolder(env_), *port_);
  // A path that names nothing would otherwise vanish without a word.
  for (const std::string& path : items::ArgumentPaths(argument_paths)) {
    if (!env_.Describe(path).ok()) {
      InsertMessage(text::FormatText(text::LookupUtf8(kTextNotAdded), {path}),
                    core::MessageIcon::kWarning);
    }
  }
  items::ItemAdder(env_, *items_, port_.get()).AddArguments(argument_paths);

  MSG msg;
  while (!closed_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Enter does nothing in this window, not even on a focused button.
    if ((msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) ||
        (msg.message == WM_CHAR && msg.wParam == L'\r')) {
      continue;
    }
    if (TranslateAcceleratorW(window_, keys_, &msg)) continue;
    if (IsDialogMessageW(window_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
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
      port_->RunSentCall(lparam);
      return TRUE;
    case WM_SIZE:
      LayoutControls(LOWORD(lparam), HIWORD(lparam));
      return TRUE;
    case WM_GETMINMAXINFO: {
      if (action_strip_ == nullptr) return FALSE;
      const SIZE client = MinimumClientSize();
      RECT frame{0, 0, client.cx, client.cy};
      AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)),
                               FALSE, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)),
                               GetDpiForWindow(window_));
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
      Cancel();  // the close box is Cancel, also while Exit is disabled
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->idFrom == IDC_ITEMLIST && header->code == LVN_GETDISPINFOW) {
        item_view_->AnswerCell(reinterpret_cast<NMLVDISPINFOW*>(lparam));
        return TRUE;
      }
      if (header->idFrom == IDC_ITEMLIST && header->code == LVN_KEYDOWN &&
          reinterpret_cast<const NMLVKEYDOWN*>(lparam)->wVKey == VK_DELETE) {
        const int id = GetKeyState(VK_SHIFT) < 0 ? IDC_DELETE_EXIT : IDC_DELETE;
        if (CommandEnabled(id)) RunCommand(id);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      // A key reaches a command only while its button is enabled.
      if (HIWORD(wparam) == 1 && !CommandEnabled(id)) return TRUE;
      RunCommand(id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

bool MainWindow::CommandEnabled(int id) const {
  for (const ToolStrip* strip :
       {action_strip_.get(), fill_strip_.get(), app_strip_.get(), link_strip_.get()}) {
    if (HWND button = strip->Button(id)) return IsWindowEnabled(button) != FALSE;
  }
  return false;
}

void MainWindow::SetUp() {
  port_ = std::make_unique<WinWindowPort>(*this, window_);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const UINT dpi = GetDpiForWindow(window_);
  for (auto [kind, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int side = GetSystemMetricsForDpi(metric, dpi);
    auto icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_TARNWELL), IMAGE_ICON, side, side, LR_SHARED));
    if (icon == nullptr) icon = LoadIconW(nullptr, IDI_APPLICATION);
    SendMessageW(window_, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    if (kind == ICON_BIG) {
      SendDlgItemMessageW(window_, IDC_PROGRAM_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon),
                          0);
    }
  }
  item_view_ = std::make_unique<ItemListView>(GetDlgItem(window_, IDC_ITEMLIST), *items_);
  messages_ = std::make_unique<MessageList>(GetDlgItem(window_, IDC_MESSAGES));
  CreateBars();

  time_mode_ = settings_.ReadIntSetting(settings::kOptionsSection, "TimeMode", time_mode_, -1, -1);
  time_mode_ = std::clamp(time_mode_, 0, kMaxTimeMode);
  settings_.WriteIntSetting(settings::kOptionsSection, "TimeMode", time_mode_);

  keys_ = CreateAcceleratorTableW(const_cast<ACCEL*>(kCommandKeys), std::size(kCommandKeys));
  SetTabOrder();
  ApplyLanguageTexts();
  GrowToMinimum();
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

  fill_strip_ = std::make_unique<ToolStrip>(window_);
  app_strip_ = std::make_unique<ToolStrip>(window_);
  action_strip_ = std::make_unique<ToolStrip>(window_);
  link_strip_ = std::make_unique<ToolStrip>(status_bar_);
  app_strip_->AddButton(IDC_LANGUAGE, HeaderLabel("LNG"));
  fill_strip_->AddButton(ID_FILL_FREE_SPACE, "#");
  app_strip_->AddButton(ID_HELP_TEXT, HeaderLabel("?"));
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
  link_strip_->AddButton(IDC_WEB_LINK, "?");
  ShowWindow(GetDlgItem(window_, IDC_LINK_PLACE), SW_HIDE);
}

void MainWindow::SetTabOrder() {
  // Tab follows the z-order: action buttons, item list, messages, the
  // header's buttons, the link (as the Qt window).
  std::vector<HWND> order = action_strip_->Buttons();
  order.push_back(item_view_->handle());
  order.push_back(messages_->handle());
  for (const ToolStrip* strip : {fill_strip_.get(), app_strip_.get(), link_strip_.get()}) {
    order.insert(order.end(), strip->Buttons().begin(), strip->Buttons().end());
  }
  HWND after = HWND_TOP;
  for (HWND control : order) {
    // The link's place is its status bar's, which comes last.
    if (GetParent(control) == status_bar_) control = status_bar_;
    SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = control;
  }
}

void MainWindow::SetAccessibleNames() {
  // Lists and the icon have no text of their own to be named by.
  IAccPropServices* services = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
    return;
  }
  const std::pair<HWND, std::string> named[] = {
      {item_view_->handle(), text::LookupUtf8(kTextItems)},
      {messages_->handle(), text::LookupUtf8(kTextMessages)},
      {GetDlgItem(window_, IDC_PROGRAM_ICON), text::LookupUtf8(kTextProductName)},
  };
  for (const auto& [control, name] : named) {
    const std::wstring wide = ToWide(name);
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_NAME, wide.c_str());
  }
  services->Release();
}

void MainWindow::SetControlText(int id, std::string_view utf8) {
  SetDlgItemTextW(window_, id, ToWide(utf8).c_str());
}

void MainWindow::ApplyLanguageTexts() {
  SetTitle(text::AboutUtf8(kAboutProduct) + " [Unicode]");
  SetStatusText(text::LookupUtf8(kTextReady));
  SetInstructionText(text::LookupUtf8(kTextInstructions));
  action_strip_->SetButtonText(IDC_DELETE, text::LookupUtf8(kTextDelete));
  action_strip_->SetButtonText(IDC_DELETE_EXIT, text::LookupUtf8(kTextDeleteExit));
  fill_strip_->SetButtonText(ID_FILL_FREE_SPACE, HeaderLabel(text::LookupUtf8(kTextFill)));
  app_strip_->SetButtonText(IDCANCEL, HeaderLabel(text::LookupUtf8(kTextExit)));
  UpdateOptionLabels();
  action_strip_->SetButtonText(IDC_RESET, text::LookupUtf8(kTextReset));
  action_strip_->SetButtonText(IDC_IMPORT, text::LookupUtf8(kTextImport));
  SetControlText(IDC_GROUP, text::LookupUtf8(kTextGroup));
  link_strip_->SetButtonText(
      IDC_WEB_LINK,
      text::AboutUtf8(text::CurrentLanguage() == 0 ? kAboutLinkGerman : kAboutLinkOther));
  messages_->Clear();
  messages_->InsertMessage(text::LookupUtf8(kTextLegendInfo), core::MessageIcon::kInfo);
  messages_->InsertMessage(text::LookupUtf8(kTextLegendError), core::MessageIcon::kError);
  messages_->InsertMessage(text::LookupUtf8(kTextLegendWarning), core::MessageIcon::kWarning);
  item_view_->SetColumnTitles(text::LookupUtf8(kTextPath), text::LookupUtf8(kTextSize));
  messages_->SetColumnTitle(text::LookupUtf8(kTextMessages));
  SetAccessibleNames();
  GrowToMinimum();
  RECT client{};
  GetClientRect(window_, &client);
  LayoutControls(client.right, client.bottom);
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

void MainWindow::LayoutControls(int width, int height) {
  if (action_strip_ == nullptr) return;
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
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)),
                           GetDpiForWindow(window_));
  SetWindowPos(window_, nullptr, 0, 0, Width(frame), Height(frame),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::HandleDrop(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  items::ItemAdder adder(env_, *items_, port_.get());
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
    if (!path.empty()) adder.AddPath(platform::win32::LogicPath(path));
  }
  DragFinish(drop);
  items_->RefreshList(port_.get());
}

// ---- core::WindowPort on the UI thread --------------------------------------

void MainWindow::InsertMessage(std::string_view text, core::MessageIcon icon) {
  messages_->InsertMessage(text, icon);
}

void MainWindow::SetStatusText(std::string_view text) {
  SendMessageW(status_bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
}

void MainWindow::SetTitle(std::string_view text) { SetWindowTextW(window_, ToWide(text).c_str()); }

void MainWindow::SetInstructionText(std::string_view text) {
  SetControlText(IDC_INSTRUCTIONS, text);
}

void MainWindow::SetBusy(bool busy) {
  for (int id : {IDC_DELETE, IDC_DELETE_EXIT, IDC_OVERWRITE, IDC_RESET, IDC_IMPORT}) {
    action_strip_->EnableButton(id, !busy);
  }
  app_strip_->EnableButton(IDCANCEL, !busy);
  fill_strip_->EnableButton(ID_FILL_FREE_SPACE, !busy);
}

std::string MainWindow::UpdateOptionLabels() {
  const int passes =
      std::clamp(settings_.ReadIntSetting(settings::kOptionsSection, "re_write", 1, -1, -1), 1,
                 kMaxOverwriteLabel);
  action_strip_->SetButtonText(IDC_OVERWRITE, FormatTextId(kTextOverwriteFormat, passes));
  settings_.ReadIntoVariable(settings::kOptionsSection, "del_delay", run_state_.deleteDelaySeconds);
  const int delay = std::clamp(run_state_.deleteDelaySeconds.load(), 0, kMaxDelaySeconds);
  run_state_.deleteDelaySeconds.store(delay);
  std::string label = FormatTextId(kTextDelayFormat, delay);
  action_strip_->SetButtonText(IDC_DELAY, label);
  RECT client{};
  GetClientRect(window_, &client);
  LayoutControls(client.right, client.bottom);
  return label;
}

void MainWindow::ItemRowsChanged(int /*row_count*/) { item_view_->RowsChanged(); }

void MainWindow::SendCancel() { Cancel(); }

// ---- end of the run -------------------------------------------------------

bool MainWindow::EndRun() {
  // How long the end waits for a fill to delete its temporary files, and for
  // any other worker (an erase goes on until the process ends).
  constexpr int kFillCleanupWaitMs = 30000;
  constexpr int kWorkerWaitMs = 1500;
  if (port_ != nullptr) port_->Detach();
  run_state_.fillRunning.store(0);
  run_state_.stopRequested.store(1);
  return worker_.WaitForEnd(fill_started_ ? kFillCleanupWaitMs : kWorkerWaitMs);
}

}  // namespace tarnwell::win
