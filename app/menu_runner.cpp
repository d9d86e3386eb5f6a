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
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::StandardButton escape) {
  QMessageBox box(icon, caption, text, buttons, parent);
  if (escape != QMessageBox::NoButton) box.setEscapeButton(escape);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString MenuRunner::ChooseFolder(QWidget* parent, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, QString(), start);
}

QStringList MenuRunner::ChooseFiles(QWidget* parent, const QString& start) {
  return QFileDialog::getOpenFileNames(parent, QString(), start);
}

void MenuRunner::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace tarnwell::app
