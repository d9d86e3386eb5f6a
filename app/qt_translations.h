// Qt's own texts (the Yes and No of a message box, the file dialogs) in the
// window's language, from the Qt translations the system has installed.
#pragma once

namespace tarnwell::app {

// Replaces the Qt translation in use by the one for language (the
// catalogue's index). False when the system has none for it: Qt's English
// texts show then.
bool UseQtTranslations(int language);

}  // namespace tarnwell::app
