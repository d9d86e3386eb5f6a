// How catalogue texts are put on controls, which treat "&" differently.
#pragma once

#include <QString>

namespace tarnwell::app {

// For a static text or group caption: "&&" shows as "&", a single "&" (a
// mnemonic marker) is dropped.
QString StaticControlText(const QString& text);

// For a button or menu entry: every "&" is shown literally, none becomes a
// mnemonic.
QString LiteralButtonText(const QString& text);

}  // namespace tarnwell::app
