// What a sub-command reports through: the jobs' events, the rows of `list`
// and the final figures. TerminalPort shows them for people; JsonPort writes
// one JSON object per line for scripts.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "core/window_port.h"
#include "items/item_list.h"
#include "job/event_sink.h"

namespace tarnwell::cli {

class CliPort : public core::WindowPort, public job::EventSink {
 public:
  void SetStatusText(std::string_view text) override;
  void SetTitle(std::string_view) override {}
  void SetInstructionText(std::string_view) override {}
  void SetBusy(bool) override {}
  void ItemRowsChanged(int) override {}
  void SendCancel() override {}

  // The last status text set.
  std::string status_text() const;

  // One progress report of the erase job or the fill.
  virtual void ShowProgress(const job::Progress& progress) = 0;
  // Ends a progress display that is still on screen.
  virtual void EndProgress() = 0;
  // Writes the rows of `list` itself and returns true, or returns false
  // when the caller prints them for people.
  virtual bool WriteListRows(const items::ItemList&) { return false; }
  // A trace of an erased item was erased: kind as in --json, path the trace
  // file, of the erased path it remembered.
  virtual void TraceErased(std::string_view, std::string_view, std::string_view) {}
  // An exact figure of the run for the final summary (bytes written...).
  virtual void AddFigure(std::string_view, uint64_t) {}
  // The run is over: command is the sub-command ("" when none was parsed).
  virtual void Finish(std::string_view, int) {}

 protected:
  mutable std::mutex mutex_;

 private:
  std::string status_text_;
};

}  // namespace tarnwell::cli
