// The menu runner of a window started with --fill DIR, as a file manager's
// "Fill free space here" does: the fill menu's first showing answers with
// its fill entry, and the fill command's first folder choice is DIR once the
// user has agreed in a question box; everything else, later menus and folder
// choices included, goes to the runner it wraps.
#pragma once

#include <QString>

#include "app/menu_runner.h"

namespace tarnwell::app {

class FillHereRunner final : public MenuRunner {
 public:
  // inner must outlive this runner; an empty folder makes it a plain relay.
  FillHereRunner(MenuRunner& inner, QString folder) : inner_(inner), folder_(std::move(folder)) {}

  QAction* RunMenu(QMenu& menu, const QPoint& at) override;
  QMessageBox::StandardButton ShowMessageBox(
      QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
      QMessageBox::StandardButtons buttons,
      QMessageBox::StandardButton escape = QMessageBox::NoButton) override {
    return inner_.ShowMessageBox(parent, icon, caption, text, buttons, escape);
  }
  QString ChooseFolder(QWidget* parent, const QString& start) override;
  QStringList ChooseFiles(QWidget* parent, const QString& start) override {
    return inner_.ChooseFiles(parent, start);
  }
  void OpenUrl(const QUrl& url) override { inner_.OpenUrl(url); }

 private:
  MenuRunner& inner_;
  QString folder_;  // empty once used
};

}  // namespace tarnwell::app
