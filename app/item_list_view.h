// The item list's view: a table over ItemListModel that draws a hint while
// the list is empty and hands list editing (Del, Backspace, the context
// menu) to its owner instead of acting itself.
#pragma once

#include <QPoint>
#include <QString>
#include <QTableView>
#include <vector>

namespace tarnwell::app {

class ItemListView final : public QTableView {
  Q_OBJECT

 public:
  explicit ItemListView(QWidget* parent);

  // The text drawn in the middle of the empty list.
  void SetHint(const QString& hint);
  // The selected rows, in ascending order.
  std::vector<int> SelectedRows() const;

 signals:
  // Del or Backspace: take the selected rows out of the list.
  void RemoveRequested();
  // The context menu, to be opened at the screen position at.
  void MenuRequested(const QPoint& at);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QString hint_;
};

}  // namespace tarnwell::app
