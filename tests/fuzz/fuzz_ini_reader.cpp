// Any text must parse; after a write the value reads back and the text before
// the change survives unless it was the changed line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  tarnwell::settings::IniDocument doc(text);
  (void)doc.Get("Orlenvik", "re_write");
  doc.Set("Orlenvik", "re_write", "42");
  if (doc.Get("orlenvik", "RE_WRITE") != "42") std::abort();
  tarnwell::settings::IniDocument again(doc.ToString());
  if (again.Get("Orlenvik", "re_write") != "42") std::abort();
  return 0;
}
