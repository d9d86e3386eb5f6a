// The item list as a table for QTableView: it asks items::ItemList for each
// cell when the view paints it and keeps only the row count of the last
// refresh notice, so a list of 100,000 items costs nothing until it is scrolled.
#pragma once

#include <QAbstractTableModel>

namespace tarnwell::items {
class ItemList;
}

namespace tarnwell::app {

class ItemListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kPathColumn = 0;
  static constexpr int kSizeColumn = 1;

  explicit ItemListModel(items::ItemList& items, QObject* parent = nullptr);

  // The list's rows were rebuilt (refresh or reset): the view forgets every
  // row and asks the list again how many there are.
  void RowsChanged();
  // Header texts of the two columns, in the current language.
  void SetColumnTitles(const QString& path, const QString& size);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  items::ItemList& items_;
  int row_count_ = 0;
  QString titles_[2];
};

}  // namespace tarnwell::app
