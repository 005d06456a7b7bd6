#pragma once

#include <string>

// Qt's own texts (the buttons of message boxes, the file and page setup dialogs) in the program's language rather
// than in English, from the translations that come with Qt.

namespace kvn {

// Replaces the Qt translation in use by the one for the language of a language file's code ("de", "us", ...);
// false when Qt brings none for it, and Qt's texts are then English.
bool UseQtTranslationFor(const std::string& languageCode);

} // namespace kvn
