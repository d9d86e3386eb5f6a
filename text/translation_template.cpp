// The template is written as a new file every time: a predictable name in a
// shared folder must never lead us into somebody else's file.
#include "text/translation_template.h"

#include <cerrno>

#include "core/program.h"
#include "text/catalog.h"

namespace tarnwell::text {
namespace {

constexpr uint32_t kTemplateMode = 0644;

std::string ToUtf16LittleEndian(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(2 * text.size());
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

platform::Status WriteAll(platform::WritableFile& file, const std::string& bytes) {
  uint64_t offset = 0;
  while (offset < bytes.size()) {
    platform::Result<size_t> written =
        file.WriteAt(offset, bytes.data() + offset, bytes.size() - offset);
    if (!written.ok()) return written.status();
    if (*written == 0)
      return platform::Status::Error(EIO, "no progress writing '" + file.path() + "'");
    offset += *written;
  }
  return platform::Status::Ok();
}

}  // namespace

std::u16string BuildTranslationTemplate() {
  std::u16string text = u"\uFEFFStrings 4: ";
  text += AboutText(AboutId::kProductAndVersion);
  text += u"\r\n\r\n";
  text += AboutText(AboutId::kTranslatorRequest);
  text += u"\r\n\r\n";
  text += EnglishTemplateText();
  text += u'\0';
  return text;
}

std::string TranslationTemplatePath(platform::Env& env) {
  return env.TempDirectory() + "/translate_" + std::string(core::kProgramIdentifier) + ".txt";
}

platform::Status ExportTranslationTemplate(platform::Env& env) {
  const std::string path = TranslationTemplatePath(env);
  const std::string bytes = ToUtf16LittleEndian(BuildTranslationTemplate());
  // Whatever is at the path goes first, a planted link included (unlink
  // removes the link, never its target); creation then refuses anything that
  // reappeared in between.
  env.RemoveFile(path);
  platform::Result<std::unique_ptr<platform::WritableFile>> file =
      env.CreateExclusive(path, kTemplateMode);
  if (!file.ok()) return file.status();
  platform::Status status = WriteAll(**file, bytes);
  const platform::Status closed = (*file)->Close();
  if (status.ok()) status = closed;
  if (!status.ok()) {
    env.RemoveFile(path);  // a cut template would only mislead the translator
    return status;
  }
  env.OpenWithDefaultProgram(path);
  return platform::Status::Ok();
}

}  // namespace tarnwell::text
