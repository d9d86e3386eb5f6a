#include "app/fill_here_runner.h"

#include <QAction>
#include <QMenu>
#include <utility>

#include "text/catalog.h"
#include "ui/option_menus.h"

namespace tarnwell::app {
namespace {

QString Text(text::TextId id) { return QString::fromStdString(text::LookupUtf8(id)); }

}  // namespace

QAction* FillHereRunner::RunMenu(QMenu& menu, const QPoint& at) {
  if (!folder_.isEmpty()) {
    for (QAction* action : menu.actions()) {
      if (!action->isSeparator() && !action->isCheckable() &&
          action->data().toInt() == ui::kFillRun) {
        return action;
      }
    }
  }
  return inner_.RunMenu(menu, at);
}

QString FillHereRunner::ChooseFolder(QWidget* parent, const QString& start) {
  if (folder_.isEmpty()) return inner_.ChooseFolder(parent, start);
  const QString folder = std::exchange(folder_, QString());
  const QMessageBox::StandardButton answer =
      ShowMessageBox(parent, QMessageBox::Question, QStringLiteral("Tarnwell"),
                     Text(text::TextId::kFill) + QStringLiteral("\n\n") + folder +
                         QStringLiteral("\n\n") + Text(text::TextId::kAreYouSure),
                     QMessageBox::Yes | QMessageBox::No);
  return answer == QMessageBox::Yes ? folder : QString();
}

}  // namespace tarnwell::app
