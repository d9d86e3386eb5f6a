// Icons come from the desktop theme through the style, so they match the
// user's message boxes.
#include "app/message_list.h"

#include <QHeaderView>
#include <QStyle>

#include "text/catalog.h"
#include "ui/window_texts.h"

namespace tarnwell::app {
namespace {
constexpr int kIconRole = Qt::UserRole;

QStyle::StandardPixmap PixmapFor(core::MessageIcon icon) {
  switch (icon) {
    case core::MessageIcon::kError:
      return QStyle::SP_MessageBoxCritical;
    case core::MessageIcon::kWarning:
      return QStyle::SP_MessageBoxWarning;
    case core::MessageIcon::kInfo:
      break;
  }
  return QStyle::SP_MessageBoxInformation;
}
// A row's severity in words, for those who cannot see its icon.
QString SeverityWord(core::MessageIcon icon) {
  switch (icon) {
    case core::MessageIcon::kError:
      return QString::fromStdString(text::LookupUtf8(ui::texts::kLegendError));
    case core::MessageIcon::kWarning:
      return QString::fromStdString(text::LookupUtf8(ui::texts::kLegendWarning));
    case core::MessageIcon::kInfo:
      break;
  }
  return QString::fromStdString(text::LookupUtf8(ui::texts::kLegendInfo));
}
}  // namespace

MessageList::MessageList(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  // The one column takes the list's width; long rows are elided in the middle
  // and show whole as their tooltip.
  header()->setSectionResizeMode(0, QHeaderView::Stretch);
  header()->setSectionsMovable(false);
  setTextElideMode(Qt::ElideMiddle);
  setTabKeyNavigation(false);
  const int small = style()->pixelMetric(QStyle::PM_SmallIconSize);
  setIconSize(QSize(small, small));
}

void MessageList::InsertMessage(const QString& text, core::MessageIcon icon) {
  auto* row = new QTreeWidgetItem(QStringList{text});
  row->setIcon(0, style()->standardIcon(PixmapFor(icon)));
  row->setData(0, kIconRole, static_cast<int>(icon));
  row->setToolTip(0, text);
  // Screen readers hear the severity first: "Error: ...".
  row->setData(0, Qt::AccessibleTextRole, SeverityWord(icon) + QStringLiteral(": ") + text);
  insertTopLevelItem(0, row);
}

void MessageList::SetColumnTitle(const QString& title) { setHeaderLabels({title}); }

QString MessageList::RowText(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(0) : QString();
}

core::MessageIcon MessageList::RowIcon(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return static_cast<core::MessageIcon>(item ? item->data(0, kIconRole).toInt() : 0);
}

}  // namespace tarnwell::app
