// One main window over a fresh settings file in a temporary folder, with a
// scripted runner for its popups and a fault-injecting Env around the real one.
#pragma once

#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/message_list.h"
#include "app/worker_slot.h"
#include "platform/env.h"
#include "platform/fault_env.h"
#include "scripted_runner.h"
#include "settings/settings_store.h"
#include "text/catalog.h"

namespace tarnwell::testing {

class WindowFixture {
 public:
  WindowFixture()
      : settings_path_(dir_.filePath("tarnwell.ini").toStdString()),
        env_(platform::DefaultEnv()),
        settings_(env_, settings_path_) {}
  ~WindowFixture() { Close(); }

  // Settings to have in the file before the window opens.
  void Set(std::string_view key, int value) {
    settings_.WriteIntSetting(settings::kOptionsSection, key, value);
  }
  int Get(std::string_view key, int missing = -12345) const {
    return settings_.ReadIntSetting(settings::kOptionsSection, key, missing, -1, -1);
  }

  app::MainDialog& Open(const std::vector<std::string>& arguments = {}) {
    dialog_ = std::make_unique<app::MainDialog>(
        app::DialogServices{env_, settings_, runner_, *worker_}, arguments);
    return *dialog_;
  }
  // Ends the run as main does, waiting as long as a test needs.
  void Close() {
    if (!dialog_) return;
    dialog_->done(app::MainDialog::kCancelResult);
    if (dialog_->EndRun(30000)) dialog_.reset();
  }
  void UseWorkerSlot(std::unique_ptr<app::WorkerSlot> slot) { worker_ = std::move(slot); }

  app::MainDialog& dialog() { return *dialog_; }
  QToolButton* Button(const char* id) { return dialog_->findChild<QToolButton*>(id); }
  QString ButtonText(const char* id) { return Button(id)->text(); }
  app::MessageList* Messages() {
    return dialog_->findChild<app::MessageList*>(app::ids::kMessages);
  }
  QString TopMessage() { return Messages()->RowText(0); }
  QString Status() {
    return dialog_->findChild<QStatusBar*>(app::ids::kStatusBar)->currentMessage();
  }
  // A path inside the test's temporary folder.
  std::string Path(const QString& relative) { return dir_.filePath(relative).toStdString(); }

  platform::FaultEnv& env() { return env_; }
  settings::SettingsStore& settings() { return settings_; }
  ScriptedRunner& runner() { return runner_; }

 private:
  QTemporaryDir dir_;
  std::string settings_path_;
  platform::FaultEnv env_;
  settings::SettingsStore settings_;
  ScriptedRunner runner_;
  std::unique_ptr<app::WorkerSlot> worker_ = std::make_unique<app::WorkerSlot>();
  std::unique_ptr<app::MainDialog> dialog_;
};

}  // namespace tarnwell::testing
