// The port of `--json`: every job start, message row (with its stable code),
// item result, progress report, listed row and the final summary becomes one
// JSON object on its own line, so that scripts (a jq pipe, configuration
// tools) can follow and check a run without reading translated text.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cli_port.h"
#include "platform/env.h"

namespace tarnwell::cli {

// The objects JsonPort writes, for --help and the manual page.
extern const char kJsonHelp[];

class JsonPort final : public CliPort {
 public:
  // Lines go to out; env tells the kinds of listed rows.
  JsonPort(std::ostream& out, platform::Env& env);

  void InsertMessage(std::string_view text, core::MessageIcon icon) override;
  void Report(const job::Event& event) override;
  // The first count is the number listed, the latest the number left.
  void ItemRowsChanged(int row_count) override;
  void ShowProgress(const job::Progress& progress) override;
  void EndProgress() override {}
  bool WriteListRows(const items::ItemList& list) override;
  void TraceErased(std::string_view kind, std::string_view path, std::string_view of) override;
  void AddFigure(std::string_view name, uint64_t value) override;
  void Finish(std::string_view command, int exit_code) override;

 private:
  void WriteLocked(const std::string& line);
  void WriteMessageLocked(std::string_view code, std::string_view text, core::MessageIcon icon);

  std::ostream& out_;
  platform::Env& env_;
  int listed_ = -1;
  int remaining_ = -1;
  int errors_ = 0;
  int warnings_ = 0;
  std::vector<std::pair<std::string, uint64_t>> figures_;
};

// text as a JSON string with its quotes. Bytes that are not UTF-8 become
// U+FFFD, as JSON can carry only Unicode text.
std::string JsonString(std::string_view text);

}  // namespace tarnwell::cli
