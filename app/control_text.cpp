// Ampersand handling for control texts.
#include "app/control_text.h"

namespace tarnwell::app {

QString StaticControlText(const QString& text) {
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        shown += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    shown += text[i];
  }
  return shown;
}

QString LiteralButtonText(const QString& text) {
  QString literal = text;
  return literal.replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace tarnwell::app
