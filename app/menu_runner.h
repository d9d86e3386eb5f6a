// The one place where the window waits for the user outside its own controls:
// popup menus, message boxes, the folder chooser and the web browser. Tests
// replace it to pick an entry without a real popup.
#pragma once

#include <QMessageBox>
#include <QPoint>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QUrl;
class QWidget;

namespace tarnwell::app {

class MenuRunner {
 public:
  virtual ~MenuRunner() = default;

  // Opens menu with its top-left corner at screen position at and returns the
  // chosen action, or nullptr when the menu was dismissed.
  virtual QAction* RunMenu(QMenu& menu, const QPoint& at);
  // A modal message box owned by parent (none when null); returns the button
  // the user pressed, escape for Escape and the close button when given.
  virtual QMessageBox::StandardButton ShowMessageBox(
      QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
      QMessageBox::StandardButtons buttons,
      QMessageBox::StandardButton escape = QMessageBox::NoButton);
  // The folder chooser, opened in start; an empty text when the user cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& start);
  // The file chooser with multiple selection, opened in start; none when the
  // user cancelled.
  virtual QStringList ChooseFiles(QWidget* parent, const QString& start);
  // Hands a web address to the desktop's browser; the result is not looked at.
  virtual void OpenUrl(const QUrl& url);
};

}  // namespace tarnwell::app
