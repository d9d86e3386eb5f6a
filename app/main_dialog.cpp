// Set-up, layout and command handling of the main window. Every text comes
// from the catalogue by id when it is shown, so ApplyLanguageTexts relabels
// the whole window after a language change.
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
#include "app/menu_runner.h"
#include "app/message_list.h"
#include "app/qt_window_port.h"
#include "app/tool_strip.h"
#include "app/worker_slot.h"
#include "erase/erase_job.h"
#include "fill/fill_job.h"
#include "fill/running_fills.h"
#include "items/add_items.h"
#include "items/command_line_paths.h"
#include "items/item_list.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "text/language_menu.h"
#include "text/translation_template.h"

namespace tarnwell::app {
namespace {

// Catalogue text ids used by the window.
constexpr int kTextFill = 4;
constexpr int kTextInstructions = 5;
constexpr int kTextStop = 7;
constexpr int kTextProductName = 11;
constexpr int kTextItems = 33;
constexpr int kTextReset = 9;
constexpr int kTextReady = 14;
constexpr int kTextGroup = 15;
constexpr int kTextError = 18;
constexpr int kTextIncludeSubfolders = 25;
constexpr int kTextAddFiles = 26;
constexpr int kTextAddFolders = 27;
constexpr int kTextExit = 28;
constexpr int kTextDelete = 29;
constexpr int kTextImport = 79;
constexpr int kTextWorkerNotStarted = 80;
constexpr int kTextDeleteExit = 30;
constexpr int kTextDelayFormat = 34;
constexpr int kTextOverwriteFormat = 35;
constexpr int kTextLegendInfo = 36;
constexpr int kTextLegendError = 37;
constexpr int kTextLegendWarning = 38;
constexpr int kTextPath = 47;
constexpr int kTextSize = 48;
constexpr int kTextMessages = 49;
constexpr int kTextHelpCaption = 60;
constexpr int kTextFirstHelpPair = 61;
constexpr int kHelpPairs = 5;
// Window texts added with keyboard use, accessibility and honest end states.
constexpr int kTextStopErase = 161;
constexpr int kTextStopFill = 164;
constexpr int kTextNotAdded = 167;
constexpr int kTextTemplateWritten = 168;
constexpr int kTextTemplateNotWritten = 169;
constexpr int kTextDescribeHelp = 170;
constexpr int kTextDescribeExit = 171;
constexpr int kTextDescribeLink = 172;
constexpr int kTextDescribeItems = 173;
constexpr int kTextDescribeMessages = 174;
constexpr int kTextFirstMoreHelpPair = 175;  // Import, Delete + Exit, LNG, limits
constexpr int kMoreHelpPairs = 4;
constexpr int kTextDescribeImport = 176;
constexpr int kTextDescribeDeleteExit = 178;
constexpr int kTextDescribeLanguage = 180;
// Help bodies that describe their buttons as well.
constexpr int kTextDescribeReset = 62;
constexpr int kTextDescribeDelete = 64;
constexpr int kTextDescribeOverwrite = 66;
constexpr int kTextDescribeDelay = 68;
constexpr int kTextDescribeFill = 70;
// About texts: product and version, web-address labels and addresses.
constexpr int kAboutProduct = 19;
constexpr int kAboutLinkGerman = 20;
constexpr int kAboutLinkOther = 21;
constexpr int kAboutUrlGerman = 23;
constexpr int kAboutUrlOther = 24;

// The template of the window, in dialog units at an 8-point font.
constexpr int kTemplateWidth = 335;
constexpr int kTemplateHeight = 255;
constexpr int kTemplateFontPoints = 8;

// Pixel rules of the layout.
constexpr int kBarHeight = 24;
constexpr int kItemListBottomGap = 130;
constexpr int kMessageListTopFromBottom = 126;
constexpr int kMessageListHeight = 100;
constexpr int kLinkFromRight = 174;
// The link sits level with the status text (both centred in the bar).
constexpr int kLinkTop = 0;
constexpr int kLinkWidth = 150;
// Room kept between the fill button and the buttons at the right, and under
// the item list's header at the smallest size (about three rows).
constexpr int kHeaderGap = 24;
constexpr int kMinItemListHeight = 72;
// Below this the instruction text would wrap into a narrow column.
constexpr int kMinClientWidth = 360;
// Room around the group box's title: the frame's corner and indent.
constexpr int kGroupTitleMargin = 24;
// Room between the instruction text and the group box's frame.
constexpr int kInstructionMargin = 2;

// Keyboard shortcuts of the commands; those on the item list work only while
// it has the focus, so a stray Del elsewhere starts nothing.
struct CommandKey {
  const char* id;
  QKeySequence keys;
  bool on_item_list;
};
const CommandKey* CommandKeys(size_t* count) {
  static const CommandKey kKeys[] = {
      {ids::kDelete, QKeySequence(Qt::Key_Delete), true},
      {ids::kDeleteExit, QKeySequence(Qt::SHIFT | Qt::Key_Delete), true},
      {ids::kReset, QKeySequence(Qt::CTRL | Qt::Key_R), false},
      {ids::kOverwrite, QKeySequence(Qt::CTRL | Qt::Key_P), false},
      {ids::kDelay, QKeySequence(Qt::CTRL | Qt::Key_T), false},
      {ids::kImport, QKeySequence(QKeySequence::Open), false},
      {ids::kFill, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), false},
      {ids::kLanguage, QKeySequence(Qt::CTRL | Qt::Key_L), false},
      {ids::kHelp, QKeySequence(Qt::Key_F1), false},
      {ids::kCancel, QKeySequence(Qt::CTRL | Qt::Key_Q), false},
  };
  *count = std::size(kKeys);
  return kKeys;
}

// Option menus.
constexpr int kOverwriteCounts[] = {1,  2,  3,  4,  5,  6,  7,  8,  9, 11,
                                    13, 15, 17, 20, 23, 26, 29, 32, 35};
static_assert(std::size(kOverwriteCounts) == 19);
constexpr int kMaxOverwriteLabel = 35;
constexpr int kDelayMenuEntries = 10;
constexpr int kDelayCommandBase = 1000;
constexpr int kMaxDelaySeconds = 10;
constexpr int kMaxTimeMode = 2;

// Import popup entries (action data).
constexpr int kImportRun = 1;
constexpr int kImportSubfolders = 2;
constexpr int kImportFiles = 3;
constexpr int kImportFolders = 4;
constexpr char kImportSubfoldersKey[] = "import_subdirs";
constexpr char kImportFilesKey[] = "import_files";
constexpr char kImportFoldersKey[] = "import_folders";

QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
QString Text(int id) { return Q(text::LookupUtf8(id)); }
QString About(int id) { return Q(text::AboutUtf8(id)); }
// A control's name for screen readers: its label without the header marks.
QString AccessibleLabel(const QString& text) {
  QString name = text;
  name.remove(QStringLiteral("\u00bb\u00bb ")).remove(QStringLiteral(" \u00ab\u00ab"));
  return StaticControlText(name).trimmed();
}
QString HeaderLabel(const QString& text) {
  return QStringLiteral("\u00bb\u00bb %1 \u00ab\u00ab").arg(text);
}
// MulDiv of the dialog-unit conversion: rounded to the nearest pixel.
int Scale(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }
// The desktop's UI font at the template's size.
QFont TemplateFont() {
  QFont font = QApplication::font();
  font.setPointSize(kTemplateFontPoints);
  return font;
}
// A catalogue format text with one integer.
QString FormatTextId(int id, int value) {
  return Q(text::FormatText(text::LookupUtf8(id), {value}));
}
// A checkable menu entry whose chosen action answers data; in a group, the
// entries are one-of-many and show as radio items.
void AddMenuEntry(QMenu& menu, const QString& text, int data, bool checked,
                  QActionGroup* group = nullptr) {
  QAction* entry = menu.addAction(LiteralButtonText(text));
  entry->setData(data);
  entry->setCheckable(true);
  entry->setChecked(checked);
  if (group != nullptr) group->addAction(entry);
}
// A native path from a dropped or chosen local file name.
std::string NativePath(const QString& local) { return QFile::encodeName(local).toStdString(); }

}  // namespace

MainDialog::MainDialog(DialogServices services, const std::vector<std::string>& argument_paths,
                       QWidget* parent)
    : QDialog(parent),
      services_(services),
      items_(std::make_unique<items::ItemList>(services.env)),
      port_(std::make_unique<QtWindowPort>(*this)) {
  setObjectName(QStringLiteral("MainDialog"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(QStringLiteral(":/tarnwell.svg")));
  // The template's font size, so the controls fit the size made from it.
  setFont(TemplateFont());
  setAcceptDrops(true);
  CreateControls();

  time_mode_ =
      services_.settings.ReadIntSetting(settings::kOptionsSection, "TimeMode", time_mode_, -1, -1);
  time_mode_ = std::clamp(time_mode_, 0, kMaxTimeMode);
  services_.settings.WriteIntSetting(settings::kOptionsSection, "TimeMode", time_mode_);

  CreateShortcuts();
  SetTabOrder();
  ApplyLanguageTexts();
  resize(TemplateClientSize().expandedTo(MinimumClientSize()));
  LayoutControls(width(), height());
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  item_view_->setFocus();

  // A fill killed meanwhile left files and maybe a lowered reserve behind.
  fill::CleanUpAfterKilledFills(services_.env, fill::RuntimeStateFolder(services_.env), *port_);

  // A path that names nothing would otherwise vanish without a word.
  for (const std::string& path : items::ArgumentPaths(argument_paths)) {
    if (!services_.env.Describe(path).ok()) {
      InsertMessage(text::FormatText(text::LookupUtf8(kTextNotAdded), {path}),
                    core::MessageIcon::kWarning);
    }
  }
  items::ItemAdder(services_.env, *items_, port_.get()).AddArguments(argument_paths);
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

  model_ = new ItemListModel(*items_, this);
  item_view_ = new QTableView(this);
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

  messages_ = new MessageList(this);
  messages_->setObjectName(ids::kMessages);
  messages_->setGeometry(TemplateRect(7, 161, 321, 63));

  header_band_ = new QWidget(this);
  header_band_->setObjectName(ids::kHeaderBand);
  fill_toolbar_ = MakeStrip(header_band_, ids::kFillToolbar);
  app_toolbar_ = MakeStrip(header_band_, ids::kAppToolbar);
  action_toolbar_ = MakeStrip(this, ids::kActionToolbar);
  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(ids::kStatusBar);
  link_toolbar_ = MakeStrip(status_bar_, ids::kLinkToolbar);

  app_toolbar_->AddButton(HeaderLabel(QStringLiteral("LNG")), ids::kLanguage);
  fill_toolbar_->AddButton(QString(), ids::kFill);
  app_toolbar_->AddButton(HeaderLabel(QStringLiteral("?")), ids::kHelp);
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

  link_toolbar_->AddButton(QStringLiteral("?"), ids::kWebLink);
  link_toolbar_->setGeometry(300, kLinkTop, TemplateRect(7, 226, 147, 8).width(), kBarHeight);
}

void MainDialog::CreateShortcuts() {
  size_t count = 0;
  const CommandKey* keys = CommandKeys(&count);
  for (size_t i = 0; i < count; ++i) {
    const char* id = keys[i].id;
    auto* shortcut = new QShortcut(keys[i].keys,
                                   keys[i].on_item_list ? static_cast<QWidget*>(item_view_) : this);
    shortcut->setContext(keys[i].on_item_list ? Qt::WidgetShortcut : Qt::WindowShortcut);
    // A disabled button's command stays out of reach by key as well.
    connect(shortcut, &QShortcut::activated, this, [this, id] {
      QToolButton* button = Button(id);
      if (button != nullptr && button->isEnabled()) RunCommand(QLatin1String(id));
    });
  }
}

void MainDialog::SetTabOrder() {
  std::vector<QWidget*> order;
  for (QToolButton* button : action_toolbar_->Buttons()) order.push_back(button);
  order.push_back(item_view_);
  order.push_back(messages_);
  for (ToolStrip* strip : {fill_toolbar_, app_toolbar_, link_toolbar_}) {
    for (QToolButton* button : strip->Buttons()) order.push_back(button);
  }
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainDialog::ApplyAccessibleTexts() {
  struct Described {
    QWidget* control;
    QString name;
    int description;
  };
  const Described controls[] = {
      {Button(ids::kReset), Text(kTextReset), kTextDescribeReset},
      {Button(ids::kDelete), Text(kTextDelete), kTextDescribeDelete},
      {Button(ids::kDeleteExit), Text(kTextDeleteExit), kTextDescribeDeleteExit},
      {Button(ids::kOverwrite), Button(ids::kOverwrite)->text(), kTextDescribeOverwrite},
      {Button(ids::kDelay), Button(ids::kDelay)->text(), kTextDescribeDelay},
      {Button(ids::kImport), Text(kTextImport), kTextDescribeImport},
      {Button(ids::kFill), Text(kTextFill), kTextDescribeFill},
      {Button(ids::kLanguage), QStringLiteral("LNG"), kTextDescribeLanguage},
      {Button(ids::kHelp), Text(kTextHelpCaption), kTextDescribeHelp},
      {Button(ids::kCancel), Text(kTextExit), kTextDescribeExit},
      {Button(ids::kWebLink), Button(ids::kWebLink)->text(), kTextDescribeLink},
      {item_view_, Text(kTextItems), kTextDescribeItems},
      {messages_, Text(kTextMessages), kTextDescribeMessages},
      // The text itself names it, progress included.
      {instructions_, QString(), kTextInstructions},
      {group_, group_->title(), kTextInstructions},
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
  icon_->setAccessibleName(Text(kTextProductName));
  icon_->setAccessibleDescription(About(kAboutProduct));
}

void MainDialog::UpdateMinimumSize() {
  if (link_toolbar_ == nullptr || link_toolbar_->Buttons().empty()) return;
  // setMinimumSize grows a smaller window at once.
  setMinimumSize(MinimumClientSize());
}

QToolButton* MainDialog::Button(const char* id) const {
  return findChild<QToolButton*>(QLatin1String(id));
}

void MainDialog::ApplyLanguageTexts() {
  setWindowTitle(About(kAboutProduct) + QStringLiteral(" [Unicode]"));
  status_bar_->showMessage(Text(kTextReady));
  instructions_->setText(StaticControlText(Text(kTextInstructions)));
  action_toolbar_->SetButtonText(ids::kDelete, Text(kTextDelete));
  action_toolbar_->SetButtonText(ids::kDeleteExit, Text(kTextDeleteExit));
  fill_toolbar_->SetButtonText(ids::kFill, HeaderLabel(Text(kTextFill)));
  app_toolbar_->SetButtonText(ids::kCancel, HeaderLabel(Text(kTextExit)));
  UpdateOptionLabels();
  action_toolbar_->SetButtonText(ids::kReset, Text(kTextReset));
  action_toolbar_->SetButtonText(ids::kImport, Text(kTextImport));
  group_->setTitle(StaticControlText(Text(kTextGroup)));
  link_toolbar_->SetButtonText(
      ids::kWebLink, About(text::CurrentLanguage() == 0 ? kAboutLinkGerman : kAboutLinkOther));
  messages_->clear();
  messages_->InsertMessage(Text(kTextLegendInfo), core::MessageIcon::kInfo);
  messages_->InsertMessage(Text(kTextLegendError), core::MessageIcon::kError);
  messages_->InsertMessage(Text(kTextLegendWarning), core::MessageIcon::kWarning);
  model_->SetColumnTitles(Text(kTextPath), Text(kTextSize));
  messages_->SetColumnTitle(Text(kTextMessages));
  ApplyAccessibleTexts();
  UpdateMinimumSize();
  LayoutControls(width(), height());
}

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
      Cancel();
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
  Cancel();
}

// ---- core::WindowPort on the UI thread --------------------------------------

void MainDialog::InsertMessage(std::string_view text, core::MessageIcon icon) {
  messages_->InsertMessage(Q(text), icon);
}

void MainDialog::SetStatusText(std::string_view text) { status_bar_->showMessage(Q(text)); }

void MainDialog::SetTitle(std::string_view text) { setWindowTitle(Q(text)); }

void MainDialog::SetInstructionText(std::string_view text) {
  instructions_->setText(StaticControlText(Q(text)));
}

void MainDialog::SetBusy(bool busy) {
  for (const char* id : {ids::kDelete, ids::kDeleteExit, ids::kOverwrite, ids::kReset, ids::kImport,
                         ids::kCancel, ids::kFill}) {
    if (QToolButton* button = Button(id)) button->setEnabled(!busy);
  }
}

std::string MainDialog::UpdateOptionLabels() {
  const int passes = std::clamp(
      services_.settings.ReadIntSetting(settings::kOptionsSection, "re_write", 1, -1, -1), 1,
      kMaxOverwriteLabel);
  action_toolbar_->SetButtonText(ids::kOverwrite, FormatTextId(kTextOverwriteFormat, passes));
  services_.settings.ReadIntoVariable(settings::kOptionsSection, "del_delay",
                                      run_state_.deleteDelaySeconds);
  const int delay = std::clamp(run_state_.deleteDelaySeconds.load(), 0, kMaxDelaySeconds);
  run_state_.deleteDelaySeconds.store(delay);
  std::string label = text::FormatText(text::LookupUtf8(kTextDelayFormat), {delay});
  action_toolbar_->SetButtonText(ids::kDelay, Q(label));
  if (messages_ != nullptr) {
    ApplyAccessibleTexts();
    UpdateMinimumSize();
  }
  return label;
}

void MainDialog::ItemRowsChanged(int /*row_count*/) { model_->RowsChanged(); }

void MainDialog::SendCancel() { Cancel(); }

core::WindowPort& MainDialog::port() { return *port_; }

// ---- commands -------------------------------------------------------------

void MainDialog::RunCommand(const QString& id) {
  using Handler = void (MainDialog::*)();
  static constexpr std::pair<const char*, Handler> kCommands[] = {
      {ids::kCancel, &MainDialog::Cancel},
      {ids::kDelete, &MainDialog::Delete},
      {ids::kDeleteExit, &MainDialog::DeleteAndExit},
      {ids::kReset, &MainDialog::ResetItems},
      {ids::kOverwrite, &MainDialog::ShowOverwriteMenu},
      {ids::kDelay, &MainDialog::ShowDelayMenu},
      {ids::kLanguage, &MainDialog::ShowLanguageMenu},
      {ids::kHelp, &MainDialog::ShowHelp},
      {ids::kFill, &MainDialog::StartFill},
      {ids::kWebLink, &MainDialog::OpenWebLink},
      {ids::kImport, &MainDialog::ShowImportMenu},
  };
  for (const auto& [command, handler] : kCommands) {
    if (id == QLatin1String(command)) {
      (this->*handler)();
      return;
    }
  }
}

bool MainDialog::AskToStop(int text_id) {
  return services_.runner.ShowMessageBox(this, QMessageBox::Warning, Text(kTextStop), Text(text_id),
                                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MainDialog::Cancel() {
  // A running fill or erase is stopped, not cut off: the fill deletes its
  // files, the erase ends at a file boundary, and the window stays open to
  // say what was done.
  if (run_state_.fillRunning.load() != 0) {
    if (AskToStop(kTextStopFill)) run_state_.fillRunning.store(0);
    return;
  }
  if (run_state_.erasing.load() != 0) {
    if (run_state_.stopRequested.load() == 0 && AskToStop(kTextStopErase)) {
      run_state_.stopRequested.store(1);
    }
    return;
  }
  if (run_state_.stopRequested.load() == 1) {
    closing_ = true;
    done(kCancelResult);
  }
  run_state_.stopRequested.store(1);
}

bool MainDialog::StartWorker(std::function<void()> work) {
  if (services_.worker.Start(std::move(work))) return true;
  InsertMessage(text::LookupUtf8(kTextError) + ": " + text::LookupUtf8(kTextWorkerNotStarted),
                core::MessageIcon::kError);
  SetBusy(false);
  return false;
}

void MainDialog::StartErase(bool exit_after) {
  if (services_.worker.Running()) return;
  fill_started_ = false;
  SetBusy(true);
  run_state_.exitAfterErase.store(exit_after ? 1 : 0);
  // The job works on the rows as they are now; later drops cannot change
  // which file a row number names.
  items::ItemList& list = *items_;
  core::WindowPort& port = *port_;
  erase::EraseJobContext job{.env = services_.env,
                             .settings = services_.settings,
                             .port = port,
                             .run_state = run_state_,
                             .listed = items_->Listed(),
                             .refresh_list = [&list, &port] { list.RefreshList(&port); },
                             .options = {},
                             .pass_count = std::nullopt,
                             .delay_seconds = std::nullopt,
                             .on_progress = {},
                             .countdown_text_id = erase::kWindowCountdownText,
                             .erasing_text_id = erase::kTextErasingWindow};
  StartWorker([job = std::move(job)] { erase::RunEraseJob(job); });
}

void MainDialog::ResetItems() { items_->ResetList(port_.get()); }

int MainDialog::RunButtonMenu(QMenu& menu, const char* button_id) {
  QToolButton* button = Button(button_id);
  const QPoint below = button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos();
  if (button) button->setDown(true);
  QAction* chosen = services_.runner.RunMenu(menu, below);
  if (button) button->setDown(false);
  return chosen ? chosen->data().toInt() : -1;
}

void MainDialog::ShowOverwriteMenu() {
  // The entry of the count the button shows (a missing setting means 1).
  const int current = std::clamp(
      services_.settings.ReadIntSetting(settings::kOptionsSection, "re_write", 1, -1, -1), 1,
      kMaxOverwriteLabel);
  QMenu menu(this);
  auto* group = new QActionGroup(&menu);
  for (int count : kOverwriteCounts) {
    AddMenuEntry(menu, FormatTextId(kTextOverwriteFormat, count), count, count == current, group);
  }
  const int chosen = RunButtonMenu(menu, ids::kOverwrite);
  if (chosen > 0) {
    services_.settings.WriteIntSetting(settings::kOptionsSection, "re_write", chosen);
  }
  UpdateOptionLabels();
}

void MainDialog::ShowDelayMenu() {
  services_.settings.ReadIntoVariable(settings::kOptionsSection, "del_delay",
                                      run_state_.deleteDelaySeconds);
  const int current = run_state_.deleteDelaySeconds.load();
  QMenu menu(this);
  auto* group = new QActionGroup(&menu);
  for (int seconds = 0; seconds < kDelayMenuEntries; ++seconds) {
    AddMenuEntry(menu, FormatTextId(kTextDelayFormat, seconds), kDelayCommandBase + seconds,
                 seconds == current, group);
  }
  const int chosen = RunButtonMenu(menu, ids::kDelay);
  if (chosen >= kDelayCommandBase) {
    services_.settings.WriteIntSetting(settings::kOptionsSection, "del_delay",
                                       chosen - kDelayCommandBase);
  }
  UpdateOptionLabels();
}

void MainDialog::ShowLanguageMenu() {
  QMenu menu(this);
  for (const text::LanguageMenuEntry& entry : text::LanguageMenuEntries()) {
    if (entry.kind == text::LanguageMenuEntry::Kind::kSeparator) {
      menu.addSeparator();
      continue;
    }
    // The part after a tab shows right-aligned, in the menu's shortcut column.
    QAction* action = menu.addAction(LiteralButtonText(Q(entry.text)));
    action->setData(entry.command);
    action->setEnabled(entry.enabled);
  }
  const int chosen = std::max(0, RunButtonMenu(menu, ids::kLanguage));
  switch (text::HandleLanguageMenuCommand(chosen, services_.settings, services_.env)) {
    case text::LanguageMenuOutcome::kLanguageChanged:
      ApplyLanguageTexts();
      break;
    case text::LanguageMenuOutcome::kTemplateExported: {
      // Without a default text program nothing opens: say where the file is.
      const std::string path = text::TranslationTemplatePath(services_.env);
      const bool written = services_.env.Describe(path).ok();
      InsertMessage(
          text::FormatText(
              text::LookupUtf8(written ? kTextTemplateWritten : kTextTemplateNotWritten), {path}),
          written ? core::MessageIcon::kInfo : core::MessageIcon::kError);
      break;
    }
    case text::LanguageMenuOutcome::kNothing:
      break;
  }
}

void MainDialog::ShowHelp() {
  QString help;
  auto add_pairs = [&help](int first, int pairs) {
    for (int pair = 0; pair < pairs; ++pair) {
      if (!help.isEmpty()) help += QLatin1Char('\n');
      help += Text(first + 2 * pair) + QLatin1Char('\n') + Text(first + 2 * pair + 1) +
              QLatin1Char('\n');
    }
  };
  add_pairs(kTextFirstHelpPair, kHelpPairs);
  add_pairs(kTextFirstMoreHelpPair, kMoreHelpPairs);
  services_.runner.ShowMessageBox(this, QMessageBox::NoIcon, Text(kTextHelpCaption), help,
                                  QMessageBox::Ok);
}

void MainDialog::StartFill() {
  if (services_.worker.Running()) return;
  const QString folder = services_.runner.ChooseFolder(this);
  if (folder.isEmpty()) return;
  SetBusy(true);
  fill_started_ = true;
  platform::Env& env = services_.env;
  core::WindowPort& port = *port_;
  core::RunState& run_state = run_state_;
  StartWorker([&env, &port, &run_state, chosen = NativePath(folder)] {
    fill::FillFreeSpace(env, port, run_state, chosen);
  });
}

void MainDialog::OpenWebLink() {
  services_.runner.OpenUrl(
      QUrl(About(text::CurrentLanguage() == 0 ? kAboutUrlGerman : kAboutUrlOther)));
}

void MainDialog::ShowImportMenu() {
  auto read = [this](const char* key) {
    return services_.settings.ReadIntSetting(settings::kOptionsSection, key, 1, -1, -1);
  };
  const int subfolders = read(kImportSubfoldersKey);
  const int files = read(kImportFilesKey);
  const int folders = read(kImportFoldersKey);

  QMenu menu(this);
  QAction* run = menu.addAction(Text(kTextImport));
  run->setData(kImportRun);
  run->setEnabled(files == 1 || folders == 1);
  menu.addSeparator();
  AddMenuEntry(menu, Text(kTextIncludeSubfolders), kImportSubfolders, subfolders != 0);
  AddMenuEntry(menu, Text(kTextAddFiles), kImportFiles, files != 0);
  AddMenuEntry(menu, Text(kTextAddFolders), kImportFolders, folders != 0);

  auto flip = [this](const char* key, int value) {
    services_.settings.WriteIntSetting(settings::kOptionsSection, key, value == 0 ? 1 : 0);
  };
  switch (RunButtonMenu(menu, ids::kImport)) {
    case kImportRun: {
      const QString folder = services_.runner.ChooseFolder(this);
      if (!folder.isEmpty()) StartImport(NativePath(folder));
      break;
    }
    case kImportSubfolders:
      flip(kImportSubfoldersKey, subfolders);
      break;
    case kImportFiles:
      flip(kImportFilesKey, files);
      break;
    case kImportFolders:
      flip(kImportFoldersKey, folders);
      break;
    default:
      break;
  }
}

void MainDialog::StartImport(const std::string& folder) {
  if (services_.worker.Running()) return;
  fill_started_ = false;
  items::ScanFlags options;
  options.include_subfolders = services_.settings.ReadIntSetting(
                                   settings::kOptionsSection, kImportSubfoldersKey, 1, -1, -1) != 0;
  options.add_files =
      services_.settings.ReadIntSetting(settings::kOptionsSection, kImportFilesKey, 1, -1, -1) != 0;
  options.add_folders = services_.settings.ReadIntSetting(settings::kOptionsSection,
                                                          kImportFoldersKey, 1, -1, -1) != 0;
  SetBusy(true);
  platform::Env& env = services_.env;
  items::ItemList& list = *items_;
  core::WindowPort& port = *port_;
  StartWorker([&env, &list, &port, folder, options] {
    items::ItemAdder(env, list, &port).ScanFolder(folder, options);
    list.RefreshList(&port);
    port.SetBusy(false);
  });
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
  items::ItemAdder adder(services_.env, *items_, port_.get());
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) adder.AddPath(NativePath(url.toLocalFile()));
  }
  items_->RefreshList(port_.get());
  event->acceptProposedAction();
}

// ---- end of the run -------------------------------------------------------

bool MainDialog::EndRun(int timeout_ms) {
  port_->Detach();
  if (timeout_ms < 0) timeout_ms = fill_started_ ? kFillCleanupWaitMs : kWorkerWaitMs;
  // A confirmed Cancel has cleared it already; closing by any other way while
  // the fill runs must still let it delete its files.
  run_state_.fillRunning.store(0);
  run_state_.stopRequested.store(1);
  return services_.worker.WaitForEnd(timeout_ms, [] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  });
}

}  // namespace tarnwell::app
