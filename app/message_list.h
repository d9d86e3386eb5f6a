// The window's log: one column of rows with an information, error or warning
// icon, the newest row always on top. It is the program's only log.
#pragma once

#include <QString>
#include <QTreeWidget>

#include "core/window_port.h"

namespace tarnwell::app {

class MessageList final : public QTreeWidget {
  Q_OBJECT

 public:
  explicit MessageList(QWidget* parent);

  // Puts a row with text and icon above every other row; its name for
  // screen readers starts with its severity in the current language.
  void InsertMessage(const QString& text, core::MessageIcon icon);
  void SetColumnTitle(const QString& title);
  // Text and icon of row (0 = newest), for the window's tests.
  QString RowText(int row) const;
  core::MessageIcon RowIcon(int row) const;
};

}  // namespace tarnwell::app
