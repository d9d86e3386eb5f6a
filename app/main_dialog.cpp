// Set-up, layout and drawing of the main window; commands go to the window
// logic, which labels the controls and runs menus and boxes through the
// ui::WindowView calls here.
#include "app/main_dialog.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QThread>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "app/control_text.h"
#include "app/item_list_model.h"
#include "app/item_list_view.h"
#include "app/menu_runner.h"
#include "app/message_list.h"
#include "app/qt_translations.h"
#include "app/qt_window_port.h"
#include "app/status_accessible.h"
#include "app/tool_strip.h"
#include "text/catalog.h"
#include "ui/window_layout.h"
#include "ui/window_texts.h"

namespace tarnwell::app {
namespace {

namespace texts = ui::texts;

// The template of the window, in dialog units at an 8-point font.
constexpr int kTemplateWidth = 335;
constexpr int kTemplateHeight = 255;
constexpr int kTemplateFontPoints = 8;

using namespace ui::layout;
// The link sits level with the status text (both centred in the bar).
constexpr int kLinkTop = 0;
// Room between the instruction text and the group box's frame.
constexpr int kInstructionMargin = 2;

// Keyboard shortcuts of the commands. The erase has a chord no list editing
// uses: Del and Backspace in the item list only take rows out of it.
struct CommandKey {
  const char* id;
  QKeySequence keys;
};
const CommandKey* CommandKeys(size_t* count) {
  static const CommandKey kKeys[] = {
      {ids::kDelete, QKeySequence(Qt::CTRL | Qt::Key_E)},
      {ids::kDeleteExit, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
      {ids::kReset, QKeySequence(Qt::CTRL | Qt::Key_R)},
      {ids::kOverwrite, QKeySequence(Qt::CTRL | Qt::Key_P)},
      {ids::kDelay, QKeySequence(Qt::CTRL | Qt::Key_T)},
      {ids::kImport, QKeySequence(QKeySequence::Open)},
      {ids::kFill, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
      {ids::kLanguage, QKeySequence(Qt::CTRL | Qt::Key_L)},
      {ids::kHelp, QKeySequence(Qt::Key_F1)},
      {ids::kCancel, QKeySequence(Qt::CTRL | Qt::Key_Q)},
  };
  *count = std::size(kKeys);
  return kKeys;
}

QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
QString Text(text::TextId id) { return Q(text::LookupUtf8(id)); }
QString About(text::AboutId id) { return Q(text::AboutUtf8(id)); }
// A control's name for screen readers: its label without the header marks.
QString AccessibleLabel(const QString& text) {
  QString name = text;
  name.remove(QStringLiteral("\u00bb\u00bb ")).remove(QStringLiteral(" \u00ab\u00ab"));
  return StaticControlText(name).trimmed();
}
// MulDiv of the dialog-unit conversion: rounded to the nearest pixel.
int Scale(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }
// The desktop's UI font at the template's size.
QFont TemplateFont() {
  QFont font = QApplication::font();
  font.setPointSize(kTemplateFontPoints);
  return font;
}
// A native path from a dropped or chosen local file name, and back.
std::string NativePath(const QString& local) { return QFile::encodeName(local).toStdString(); }
QString LocalPath(std::string_view native) {
  return QFile::decodeName(QByteArray(native.data(), static_cast<qsizetype>(native.size())));
}

}  // namespace

MainDialog::MainDialog(DialogServices services, const std::vector<std::string>& argument_paths,
                       QWidget* parent)
    : QDialog(parent),
      services_(services),
      logic_(std::make_unique<ui::WindowLogic>(
          ui::WindowServices{services.env, services.settings, services.worker}, *this,
          [](core::WindowPort& ui_side) { return std::make_unique<QtWindowPort>(ui_side); })) {
  setObjectName(QStringLiteral("MainDialog"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(QStringLiteral(":/tarnwell.svg")));
  // The template's font size, so the controls fit the size made from it.
  setFont(TemplateFont());
  setAcceptDrops(true);
  CreateControls();
  CreateShortcuts();
  SetTabOrder();
  ApplyLanguageTexts();
  resize(TemplateClientSize().expandedTo(MinimumClientSize()));
  LayoutControls(width(), height());
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  item_view_->setFocus();
  logic_->AddStartPaths(argument_paths);
}

MainDialog::~MainDialog() {
  // The view and its model go before the item list they read.
  delete item_view_;
  delete model_;
}

QSize MainDialog::TemplateClientSize() const {
  const QRect r = TemplateRect(0, 0, kTemplateWidth, kTemplateHeight);
  return r.size();
}

QSize MainDialog::MinimumClientSize() const {
  const int left = TemplateRect(7, 17, 321, 49).x();
  const QFontMetrics title_metrics(group_->font());
  const int width =
      std::max({kMinClientWidth, action_toolbar_->ButtonSpan() + 2 * left,
                fill_toolbar_->ButtonSpan() + kHeaderGap + app_toolbar_->ButtonSpan(),
                title_metrics.horizontalAdvance(group_->title()) + kGroupTitleMargin + 2 * left,
                link_toolbar_->ButtonSpan() + kLinkFromRight - kLinkWidth + kHeaderGap});
  const int top = GroupBottom(width, nullptr) + kBarHeight;
  return QSize(width, top + kMinItemListHeight + kItemListBottomGap);
}

int MainDialog::GroupBottom(int width, int* group_height) const {
  const QRect group = TemplateRect(7, 17, 321, 49);
  const QRect text = TemplateRect(14, 29, 268, 32);
  const QRect icon = TemplateRect(287, 28, 21, 20);
  const QRect list = TemplateRect(7, 84, 321, 73);
  const int group_width = std::max(0, width - 2 * group.x());
  const int icon_x = group.x() + group_width - (group.right() - icon.right()) - icon.width();
  const int text_width = std::max(0, icon_x - (icon.x() - text.right()) - text.x());
  const int grown = std::max(0, instructions_->heightForWidth(text_width) - text.height());
  if (group_height != nullptr) *group_height = group.height() + grown;
  return list.y() - kBarHeight + grown;
}

QRect MainDialog::TemplateRect(int left, int top, int width, int height) const {
  // Dialog base units: the average width of the 52 Latin letters and the
  // line height of the template's font.
  const QFontMetrics metrics(TemplateFont());
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int base_x = (letters / 26 + 1) / 2;
  const int base_y = metrics.height();
  return QRect(Scale(left, base_x, 4), Scale(top, base_y, 8), Scale(width, base_x, 4),
               Scale(height, base_y, 8));
}

ToolStrip* MainDialog::MakeStrip(QWidget* parent, const char* name) {
  auto* strip = new ToolStrip(parent);
  strip->setObjectName(QLatin1String(name));
  connect(strip, &ToolStrip::triggered, this, &MainDialog::RunCommand);
  return strip;
}

void MainDialog::CreateControls() {
  group_ = new QGroupBox(this);
  group_->setObjectName(ids::kGroup);
  group_->setGeometry(TemplateRect(7, 17, 321, 49));

  instructions_ = new QLabel(this);
  instructions_->setObjectName(ids::kInstructions);
  instructions_->setTextFormat(Qt::PlainText);
  instructions_->setWordWrap(true);
  instructions_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  instructions_->setMargin(kInstructionMargin);
  instructions_->setGeometry(TemplateRect(14, 29, 268, 32));

  icon_ = new QLabel(this);
  icon_->setObjectName(ids::kIcon);
  const QRect icon_rect = TemplateRect(287, 28, 21, 20);
  icon_->setGeometry(icon_rect);
  icon_->setAlignment(Qt::AlignCenter);
  const int icon_side = std::min(icon_rect.width(), icon_rect.height());
  icon_->setPixmap(windowIcon().pixmap(icon_side, icon_side));

  model_ = new ItemListModel(logic_->items(), this);
  item_view_ = new ItemListView(this);
  item_view_->setObjectName(ids::kItemList);
  item_view_->setModel(model_);
  item_view_->setGeometry(TemplateRect(7, 84, 321, 73));
  item_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  item_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  item_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  item_view_->setSortingEnabled(false);
  item_view_->setShowGrid(false);
  item_view_->setWordWrap(false);
  item_view_->verticalHeader()->hide();
  // Fixed row heights keep a list of 100,000 rows from being measured.
  item_view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  item_view_->verticalHeader()->setDefaultSectionSize(item_view_->fontMetrics().height() + 4);
  item_view_->horizontalHeader()->setSectionsClickable(false);
  item_view_->horizontalHeader()->setStretchLastSection(false);
  item_view_->horizontalHeader()->setHighlightSections(false);
  item_view_->setColumnWidth(ItemListModel::kPathColumn, 330);
  item_view_->setColumnWidth(ItemListModel::kSizeColumn, 90);
  // The path takes the width the size leaves; the file name at its end
  // stays visible when it is elided.
  item_view_->horizontalHeader()->setSectionResizeMode(ItemListModel::kPathColumn,
                                                       QHeaderView::Stretch);
  item_view_->setTextElideMode(Qt::ElideMiddle);
  // Tab leaves the list; the arrows move by rows.
  item_view_->setTabKeyNavigation(false);
  list_palette_ = item_view_->palette();
  connect(item_view_, &ItemListView::RemoveRequested, this,
          [this] { logic_->RemoveRows(item_view_->SelectedRows()); });
  connect(item_view_, &ItemListView::MenuRequested, this, [this](const QPoint& at) {
    item_menu_at_ = at;
    logic_->ShowItemMenu(item_view_->SelectedRows());
  });

  messages_ = new MessageList(this);
  messages_->setObjectName(ids::kMessages);
  messages_->setGeometry(TemplateRect(7, 161, 321, 63));

  header_band_ = new QWidget(this);
  header_band_->setObjectName(ids::kHeaderBand);
  fill_toolbar_ = MakeStrip(header_band_, ids::kFillToolbar);
  app_toolbar_ = MakeStrip(header_band_, ids::kAppToolbar);
  action_toolbar_ = MakeStrip(this, ids::kActionToolbar);
  InstallStatusAccessible(ids::kStatusBar);
  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(ids::kStatusBar);
  link_toolbar_ = MakeStrip(status_bar_, ids::kLinkToolbar);

  app_toolbar_->AddButton(QString(), ids::kLanguage);
  fill_toolbar_->AddButton(QString(), ids::kFill);
  app_toolbar_->AddButton(QString(), ids::kHelp);
  app_toolbar_->AddButton(QString(), ids::kCancel);
  action_toolbar_->AddButton(QString(), ids::kReset);
  action_toolbar_->AddSeparator();
  action_toolbar_->AddButton(QString(), ids::kDelete);
  action_toolbar_->AddSeparator();
  action_toolbar_->AddButton(QString(), ids::kDeleteExit);
  action_toolbar_->AddSeparator();
  action_toolbar_->AddButton(QStringLiteral("#"), ids::kOverwrite);
  action_toolbar_->AddSeparator();
  action_toolbar_->AddButton(QStringLiteral("#"), ids::kDelay);
  action_toolbar_->AddSeparator();
  action_toolbar_->AddButton(QStringLiteral("#"), ids::kImport);
  action_toolbar_->AddSeparator();
  action_toolbar_->AddButton(QStringLiteral("#"), ids::kAddFiles);

  link_toolbar_->AddButton(QStringLiteral("?"), ids::kWebLink);
  link_toolbar_->setGeometry(300, kLinkTop, TemplateRect(7, 226, 147, 8).width(), kBarHeight);
}

void MainDialog::CreateShortcuts() {
  size_t count = 0;
  const CommandKey* keys = CommandKeys(&count);
  for (size_t i = 0; i < count; ++i) {
    const char* id = keys[i].id;
    auto* shortcut = new QShortcut(keys[i].keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    // A disabled button's command stays out of reach by key as well.
    connect(shortcut, &QShortcut::activated, this, [this, id] {
      QToolButton* button = Button(id);
      if (button != nullptr && button->isEnabled()) RunCommand(QLatin1String(id));
    });
  }
}

void MainDialog::SetTabOrder() {
  // Reading order: the header, the action buttons, the lists, the link.
  std::vector<QWidget*> order;
  for (ToolStrip* strip : {fill_toolbar_, app_toolbar_, action_toolbar_}) {
    for (QToolButton* button : strip->Buttons()) order.push_back(button);
  }
  order.push_back(item_view_);
  order.push_back(messages_);
  for (QToolButton* button : link_toolbar_->Buttons()) order.push_back(button);
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainDialog::ApplyAccessibleTexts() {
  struct Described {
    QWidget* control;
    QString name;
    text::TextId description;
  };
  const Described controls[] = {
      {Button(ids::kReset), Text(texts::kReset), texts::kDescribeReset},
      {Button(ids::kDelete), Text(texts::kDelete), texts::kDescribeDelete},
      {Button(ids::kDeleteExit), Text(texts::kDeleteExit), texts::kDescribeDeleteExit},
      {Button(ids::kOverwrite), Button(ids::kOverwrite)->text(), texts::kDescribeOverwrite},
      {Button(ids::kDelay), Button(ids::kDelay)->text(), texts::kDescribeDelay},
      {Button(ids::kImport), Text(texts::kImport), texts::kDescribeImport},
      {Button(ids::kAddFiles), Text(texts::kAddFilesButton), texts::kDescribeAddFiles},
      {Button(ids::kFill), Text(texts::kFill), texts::kDescribeFill},
      {Button(ids::kLanguage), QStringLiteral("LNG"), texts::kDescribeLanguage},
      {Button(ids::kHelp), Text(texts::kHelpCaption), texts::kDescribeHelp},
      {Button(ids::kCancel), Text(texts::kExit), texts::kDescribeExit},
      {Button(ids::kWebLink), Button(ids::kWebLink)->text(), texts::kDescribeLink},
      {item_view_, Text(texts::kItems), texts::kDescribeItems},
      {messages_, Text(texts::kMessages), texts::kDescribeMessages},
      // The text itself names it, progress included.
      {instructions_, QString(), texts::kInstructions},
      {group_, group_->title(), texts::kInstructions},
  };
  size_t count = 0;
  const CommandKey* keys = CommandKeys(&count);
  for (const Described& control : controls) {
    const QString name = AccessibleLabel(control.name);
    if (!name.isEmpty()) control.control->setAccessibleName(name);
    control.control->setAccessibleDescription(StaticControlText(Text(control.description)));
    auto* button = qobject_cast<QToolButton*>(control.control);
    if (button == nullptr) continue;
    QString tip = name;
    for (size_t i = 0; i < count; ++i) {
      if (button->objectName() == QLatin1String(keys[i].id)) {
        tip += QStringLiteral(" (%1)").arg(keys[i].keys.toString(QKeySequence::NativeText));
      }
    }
    button->setToolTip(tip);
  }
  icon_->setAccessibleName(Text(texts::kProductName));
  icon_->setAccessibleDescription(About(texts::kAboutProduct));
  status_bar_->setAccessibleName(Text(texts::kProgress));
}

void MainDialog::UpdateMinimumSize() {
  if (link_toolbar_ == nullptr || link_toolbar_->Buttons().empty()) return;
  // setMinimumSize grows a smaller window at once.
  setMinimumSize(MinimumClientSize());
}

QToolButton* MainDialog::Button(const char* id) const {
  return findChild<QToolButton*>(QLatin1String(id));
}

void MainDialog::ApplyLanguageTexts() { logic_->ApplyLanguageTexts(); }

void MainDialog::LayoutControls(int width, int height) {
  if (fill_toolbar_ == nullptr) return;
  header_band_->setGeometry(0, 0, width, kBarHeight);
  fill_toolbar_->setGeometry(0, 0, width, kBarHeight);
  if (status_bar_ != nullptr) {
    // A link longer than its place grows to the left, never past the edge.
    const int link_width = std::max(kLinkWidth, link_toolbar_->ButtonSpan());
    link_toolbar_->setGeometry(width - kLinkFromRight + kLinkWidth - link_width, kLinkTop,
                               link_width, kBarHeight);
    status_bar_->setGeometry(0, height - kBarHeight, width, kBarHeight);
  }
  if (action_toolbar_ != nullptr) {
    const QRect group = TemplateRect(7, 17, 321, 49);
    const QRect text = TemplateRect(14, 29, 268, 32);
    const QRect icon = TemplateRect(287, 28, 21, 20);
    const int left = group.x();
    const int list_width = std::max(0, width - 2 * left);
    // The group box spans the width with the icon at its right; it grows
    // downwards when the instruction text needs more lines.
    int group_height = group.height();
    const int top = GroupBottom(width, &group_height) + kBarHeight;
    group_->setGeometry(left, group.y(), list_width, group_height);
    const int icon_x = left + list_width - (group.right() - icon.right()) - icon.width();
    icon_->setGeometry(icon_x, icon.y(), icon.width(), icon.height());
    instructions_->setGeometry(text.x(), text.y(),
                               std::max(0, icon_x - (icon.x() - text.right()) - text.x()),
                               text.height() + group_height - group.height());
    action_toolbar_->setGeometry(left, top - kBarHeight, width, kBarHeight);
    item_view_->setGeometry(left, top, list_width, std::max(0, height - top - kItemListBottomGap));
    messages_->setGeometry(messages_->x(), height - kMessageListTopFromBottom, list_width,
                           kMessageListHeight);
  }
  if (app_toolbar_ != nullptr) {
    app_toolbar_->setGeometry(width - app_toolbar_->ButtonSpan(), 0, width, kBarHeight);
  }
}

void MainDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  LayoutControls(width(), height());
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();  // Enter does nothing in this window
      return;
    case Qt::Key_Escape:
      event->accept();
      logic_->Run(ui::Command::kCancel);
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void MainDialog::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  // The close box is Cancel; Cancel decides whether the window goes.
  event->ignore();
  logic_->Run(ui::Command::kCancel);
}

// ---- ui::WindowView --------------------------------------------------------

namespace {

// Each control the logic names, and the command each button runs.
struct ControlId {
  ui::Control control;
  const char* id;
};
constexpr ControlId kControlIds[] = {
    {ui::Control::kDelete, ids::kDelete},
    {ui::Control::kDeleteExit, ids::kDeleteExit},
    {ui::Control::kReset, ids::kReset},
    {ui::Control::kOverwrite, ids::kOverwrite},
    {ui::Control::kDelay, ids::kDelay},
    {ui::Control::kImport, ids::kImport},
    {ui::Control::kFill, ids::kFill},
    {ui::Control::kLanguage, ids::kLanguage},
    {ui::Control::kHelp, ids::kHelp},
    {ui::Control::kCancel, ids::kCancel},
    {ui::Control::kWebLink, ids::kWebLink},
    {ui::Control::kGroup, ids::kGroup},
    {ui::Control::kInstructions, ids::kInstructions},
    {ui::Control::kItemList, ids::kItemList},
    {ui::Control::kAddFiles, ids::kAddFiles},
};
struct CommandId {
  const char* id;
  ui::Command command;
};
constexpr CommandId kCommandIds[] = {
    {ids::kCancel, ui::Command::kCancel},
    {ids::kDelete, ui::Command::kDelete},
    {ids::kDeleteExit, ui::Command::kDeleteExit},
    {ids::kReset, ui::Command::kReset},
    {ids::kOverwrite, ui::Command::kOverwrite},
    {ids::kDelay, ui::Command::kDelay},
    {ids::kLanguage, ui::Command::kLanguage},
    {ids::kHelp, ui::Command::kHelp},
    {ids::kFill, ui::Command::kFill},
    {ids::kWebLink, ui::Command::kWebLink},
    {ids::kImport, ui::Command::kImport},
    {ids::kAddFiles, ui::Command::kAddFiles},
};

const char* IdOf(ui::Control control) {
  for (const ControlId& entry : kControlIds) {
    if (entry.control == control) return entry.id;
  }
  return "";
}

}  // namespace

QToolButton* MainDialog::Button(ui::Control control) const { return Button(IdOf(control)); }

void MainDialog::SetControlText(ui::Control control, std::string_view text) {
  switch (control) {
    case ui::Control::kGroup:
      group_->setTitle(StaticControlText(Q(text)));
      return;
    case ui::Control::kInstructions:
      instructions_->setText(StaticControlText(Q(text)));
      return;
    case ui::Control::kItemList:
      item_view_->SetHint(Q(text));
      return;
    default:
      break;
  }
  const QString id = QLatin1String(IdOf(control));
  for (ToolStrip* strip : {action_toolbar_, fill_toolbar_, app_toolbar_, link_toolbar_}) {
    if (strip->Button(id) != nullptr) strip->SetButtonText(id, Q(text));
  }
}

void MainDialog::EnableControl(ui::Control control, bool enabled) {
  if (QToolButton* button = Button(control)) button->setEnabled(enabled);
}

void MainDialog::InsertMessage(std::string_view text, core::MessageIcon icon) {
  messages_->InsertMessage(Q(text), icon);
}

void MainDialog::ClearMessages() { messages_->clear(); }

void MainDialog::SetStatusText(std::string_view text) { status_bar_->showMessage(Q(text)); }

void MainDialog::SetTitle(std::string_view text) { setWindowTitle(Q(text)); }

void MainDialog::ItemRowsChanged(int /*row_count*/) { model_->RowsChanged(); }

void MainDialog::SetColumnTitles(std::string_view path, std::string_view size,
                                 std::string_view messages) {
  model_->SetColumnTitles(Q(path), Q(size));
  messages_->SetColumnTitle(Q(messages));
}

void MainDialog::TextsChanged() {
  UseQtTranslations(text::CurrentLanguage());
  ApplyAccessibleTexts();
  UpdateMinimumSize();
  LayoutControls(width(), height());
}

int MainDialog::RunMenu(ui::Control below, const std::vector<ui::MenuEntry>& entries) {
  QMenu menu(this);
  QActionGroup* radio = nullptr;
  for (const ui::MenuEntry& entry : entries) {
    if (entry.separator) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(LiteralButtonText(Q(entry.text)));
    action->setData(entry.command);
    action->setEnabled(entry.enabled);
    if (entry.mark == ui::MenuEntry::Mark::kNone) continue;
    action->setCheckable(true);
    action->setChecked(entry.checked);
    if (entry.mark == ui::MenuEntry::Mark::kRadio) {
      if (radio == nullptr) radio = new QActionGroup(&menu);
      radio->addAction(action);
    }
  }
  QToolButton* button = Button(below);
  const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height()))
                    : below == ui::Control::kItemList ? item_menu_at_
                                                      : QCursor::pos();
  if (button) button->setDown(true);
  QAction* chosen = services_.runner.RunMenu(menu, at);
  if (button) button->setDown(false);
  return chosen ? chosen->data().toInt() : -1;
}

bool MainDialog::AskToStop(std::string_view caption, std::string_view text) {
  return services_.runner.ShowMessageBox(this, QMessageBox::Warning, Q(caption), Q(text),
                                         QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::Yes) == QMessageBox::Yes;
}

void MainDialog::ShowText(std::string_view caption, std::string_view text) {
  services_.runner.ShowMessageBox(this, QMessageBox::NoIcon, Q(caption), Q(text), QMessageBox::Ok);
}

std::optional<std::string> MainDialog::ChooseFolder(std::string_view start) {
  const QString folder = services_.runner.ChooseFolder(this, LocalPath(start));
  if (folder.isEmpty()) return std::nullopt;
  return NativePath(folder);
}

std::vector<std::string> MainDialog::ChooseFiles(std::string_view start) {
  std::vector<std::string> files;
  for (const QString& file : services_.runner.ChooseFiles(this, LocalPath(start))) {
    files.push_back(NativePath(file));
  }
  return files;
}

void MainDialog::OpenUrl(std::string_view url) { services_.runner.OpenUrl(QUrl(Q(url))); }

void MainDialog::OpenFolder(std::string_view folder) {
  services_.runner.OpenUrl(QUrl::fromLocalFile(LocalPath(folder)));
}

void MainDialog::SetProgress(double percent) { SetStatusProgress(status_bar_, percent); }

void MainDialog::Close(int result) {
  closing_ = true;
  done(result);
}

// ---- commands -------------------------------------------------------------

void MainDialog::RunCommand(const QString& id) {
  for (const CommandId& entry : kCommandIds) {
    if (id == QLatin1String(entry.id)) {
      logic_->Run(entry.command);
      return;
    }
  }
}

// ---- drops ----------------------------------------------------------------

void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
    event->acceptProposedAction();
    SetDropHighlight(true);
  }
}

void MainDialog::dragLeaveEvent(QDragLeaveEvent* event) {
  SetDropHighlight(false);
  QDialog::dragLeaveEvent(event);
}

void MainDialog::SetDropHighlight(bool on) {
  // The list the items land in takes a tint of the selection colour.
  QPalette palette = list_palette_;
  if (on) {
    const QColor base = palette.color(QPalette::Base);
    const QColor mark = palette.color(QPalette::Highlight);
    palette.setColor(QPalette::Base, QColor((base.red() * 3 + mark.red()) / 4,
                                            (base.green() * 3 + mark.green()) / 4,
                                            (base.blue() * 3 + mark.blue()) / 4));
  }
  item_view_->setPalette(palette);
}

void MainDialog::dropEvent(QDropEvent* event) {
  SetDropHighlight(false);
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(NativePath(url.toLocalFile()));
  }
  logic_->DropPaths(paths);
  event->acceptProposedAction();
}

// ---- end of the run -------------------------------------------------------

bool MainDialog::EndRun(int timeout_ms) {
  return logic_->EndRun(timeout_ms, [] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  });
}

}  // namespace tarnwell::app
