// Cell texts are asked for on every paint; the item list answers under its
// own lock, so a worker's refresh never tears a row.
#include "app/item_list_model.h"

#include "items/item_list.h"

namespace tarnwell::app {

ItemListModel::ItemListModel(items::ItemList& items, QObject* parent)
    : QAbstractTableModel(parent), items_(items) {}

void ItemListModel::RowsChanged() {
  beginResetModel();
  // Asked afresh: when two refreshes race, their notices may arrive in either
  // order, but the list's own count is always the latest.
  row_count_ = items_.RowCount();
  endResetModel();
}

void ItemListModel::SetColumnTitles(const QString& path, const QString& size) {
  titles_[kPathColumn] = path;
  titles_[kSizeColumn] = size;
  emit headerDataChanged(Qt::Horizontal, kPathColumn, kSizeColumn);
}

int ItemListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : row_count_;
}

int ItemListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
  // A path shown elided in the middle has its whole text as the tooltip.
  const bool wanted =
      role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() == kPathColumn);
  if (!wanted || !index.isValid() || index.row() >= row_count_) return {};
  const std::optional<std::string> text = items_.GetCellText(index.row(), index.column());
  if (!text) return {};
  return QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section > 1) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  if (role == Qt::DisplayRole) return titles_[section];
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  }
  return {};
}

}  // namespace tarnwell::app
