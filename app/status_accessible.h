// What screen readers are told of the status bar: a progress bar whose value
// is the running job's share done, so the progress shown there can be
// followed without a new control in the window.
#pragma once

#include <QStatusBar>

namespace tarnwell::app {

// Makes every QStatusBar whose object name is object_name a progress bar for
// screen readers; call once before such a bar is shown.
void InstallStatusAccessible(const char* object_name);

// Sets the value screen readers hear (0..100; negative: no job runs, heard
// as 0) and tells them it changed.
void SetStatusProgress(QStatusBar* bar, double percent);

}  // namespace tarnwell::app
