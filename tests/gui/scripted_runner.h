// A MenuRunner for window tests: records every menu, message box, folder
// request and web address, and answers with what the test prepared, so no
// real popup ever opens.
#pragma once

#include <QAction>
#include <QActionGroup>
#include <QList>
#include <QMenu>
#include <QUrl>
#include <functional>

#include "app/menu_runner.h"

namespace tarnwell::testing {

struct MenuEntry {
  QString text;
  int data = 0;
  bool enabled = true;
  bool checked = false;
  bool separator = false;
  bool exclusive = false;  // one of a group of which only one is checked
};

struct MessageBoxCall {
  QMessageBox::Icon icon;
  QString caption;
  QString text;
  QMessageBox::StandardButtons buttons;
  bool owned = false;
  QMessageBox::StandardButton escape = QMessageBox::NoButton;
};

class ScriptedRunner final : public app::MenuRunner {
 public:
  // Picks the entry to choose (its index) or -1 to dismiss the menu.
  std::function<int(const QList<MenuEntry>&)> pick = [](const QList<MenuEntry>&) { return -1; };
  // Runs while a menu or a box is open, e.g. to look at the button that
  // opened it or at what a job does meanwhile.
  std::function<void()> while_open = [] {};
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  QString folder;
  QStringList files;
  QStringList chooser_starts;  // where each chooser opened

  QList<QList<MenuEntry>> menus;
  QList<QPoint> menu_positions;
  QList<MessageBoxCall> boxes;
  QList<QUrl> urls;

  QAction* RunMenu(QMenu& menu, const QPoint& at) override {
    QList<MenuEntry> entries;
    for (QAction* action : menu.actions()) {
      entries.push_back({action->text(), action->data().toInt(), action->isEnabled(),
                         action->isChecked(), action->isSeparator(),
                         action->actionGroup() != nullptr && action->actionGroup()->isExclusive()});
    }
    menus.push_back(entries);
    menu_positions.push_back(at);
    while_open();
    const int index = pick(entries);
    return index >= 0 ? menu.actions().at(index) : nullptr;
  }
  QMessageBox::StandardButton ShowMessageBox(
      QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
      QMessageBox::StandardButtons buttons,
      QMessageBox::StandardButton escape = QMessageBox::NoButton) override {
    boxes.push_back({icon, caption, text, buttons, parent != nullptr, escape});
    while_open();
    return answer;
  }
  QString ChooseFolder(QWidget*, const QString& start) override {
    chooser_starts.push_back(start);
    return folder;
  }
  QStringList ChooseFiles(QWidget*, const QString& start) override {
    chooser_starts.push_back(start);
    return files;
  }
  void OpenUrl(const QUrl& url) override { urls.push_back(url); }
};

// Index of the entry whose text or data matches, for pick.
inline std::function<int(const QList<MenuEntry>&)> PickText(const QString& text) {
  return [text](const QList<MenuEntry>& entries) {
    for (int i = 0; i < entries.size(); ++i) {
      if (entries[i].text == text) return i;
    }
    return -1;
  };
}
inline std::function<int(const QList<MenuEntry>&)> PickData(int data) {
  return [data](const QList<MenuEntry>& entries) {
    for (int i = 0; i < entries.size(); ++i) {
      if (!entries[i].separator && entries[i].data == data) return i;
    }
    return -1;
  };
}

}  // namespace tarnwell::testing
