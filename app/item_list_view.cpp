#include "app/item_list_view.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace tarnwell::app {

ItemListView::ItemListView(QWidget* parent) : QTableView(parent) {}

void ItemListView::SetHint(const QString& hint) {
  hint_ = hint;
  viewport()->update();
}

std::vector<int> ItemListView::SelectedRows() const {
  std::vector<int> rows;
  if (selectionModel() == nullptr) return rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void ItemListView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (hint_.isEmpty() || model() == nullptr || model()->rowCount() > 0) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                   hint_);
}

void ItemListView::keyPressEvent(QKeyEvent* event) {
  // The keys that edit a list never start an erase here.
  if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
    event->accept();
    emit RemoveRequested();
    return;
  }
  QTableView::keyPressEvent(event);
}

void ItemListView::contextMenuEvent(QContextMenuEvent* event) {
  QPoint at = event->globalPos();
  // From the keyboard the menu drops below the current row, not at the pointer.
  if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid()) {
    at = viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
  }
  event->accept();
  emit MenuRequested(at);
}

}  // namespace tarnwell::app
