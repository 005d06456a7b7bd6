#pragma once

#include "kvnRtf.h"

#include <string>

class QTextDocument;
class QTextEdit;

// Shows the rich-text help files in the widget set's text views.

namespace kvn {

// Replaces the document's content by the paragraphs and runs of the rich text, with their bold, italic,
// underline and font size.
void FillTextDocument(const TRtfDocument& rtf, QTextDocument& document);

// Shows the rich-text file in the edit (a QTextBrowser is one too), scrolled to the start; false, with the edit left
// as it was, when the file cannot be read or is no rich text.
bool LoadRtfInto(QTextEdit* edit, const std::string& path);

} // namespace kvn
