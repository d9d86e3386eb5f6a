// Real popups: QMenu, QMessageBox, QFileDialog and QDesktopServices.
#include "app/menu_runner.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMenu>
#include <QUrl>

namespace tarnwell::app {

QAction* MenuRunner::RunMenu(QMenu& menu, const QPoint& at) { return menu.exec(at); }

QMessageBox::StandardButton MenuRunner::ShowMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                                       const QString& caption, const QString& text,
                                                       QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, caption, text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString MenuRunner::ChooseFolder(QWidget* parent) {
  return QFileDialog::getExistingDirectory(parent);
}

void MenuRunner::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace tarnwell::app
