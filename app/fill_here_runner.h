// The menu runner of a window started with --fill DIR, as a file manager's
// "Fill free space here" does: the fill command's first folder choice is DIR
// once the user has agreed in a question box; later choices use the chooser.
#pragma once

#include <QString>

#include "app/menu_runner.h"

namespace tarnwell::app {

class FillHereRunner final : public MenuRunner {
 public:
  explicit FillHereRunner(QString folder) : folder_(std::move(folder)) {}

  QString ChooseFolder(QWidget* parent) override;

 private:
  QString folder_;  // empty once used
};

}  // namespace tarnwell::app
