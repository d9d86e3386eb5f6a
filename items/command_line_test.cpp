#include "items/command_line.h"

#include <gtest/gtest.h>

namespace tarnwell::items {
namespace {

TEST(CommandLineAfterProgramName, QuotedAndUnquotedNames) {
  const struct {
    const char* line;
    const char* rest;
  } rows[] = {
      {"tarnwell.exe a b", "a b"},
      {"\"C:\\Program Files\\t.exe\"   \"x y\" z", "\"x y\" z"},
      {"\"C:\\a b\\t.exe\"x", "x"},
      {"t.exe", ""},
      {"t.exe    ", ""},
      {"t.exe\t\x01\x1f file", "file"},
      {"\"unterminated name", ""},
      {"", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CommandLineAfterProgramName(row.line), row.rest) << row.line;
}

}  // namespace
}  // namespace tarnwell::items
