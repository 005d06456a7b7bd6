#pragma once

#include <string>
#include <string_view>
#include <vector>

// A small reader for the rich-text files of the help page. It keeps what a help text needs (paragraphs, line breaks,
// tabs, bold, italic, underline and font size, characters given as Windows-1252 bytes or Unicode numbers) and skips
// everything else, such as font and colour tables, pictures and ignorable destinations.

namespace kvn {

// Default font size of rich text, in half-points (12 pt).
inline constexpr int kRtfDefaultFontSize = 24;

// A piece of text of one formatting.
struct TRtfRun {
    std::string Text; // UTF-8; "\n" for a line break inside the paragraph, "\t" for a tab
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    int FontSize = kRtfDefaultFontSize; // half-points

    bool SameFormat(const TRtfRun& other) const
    {
        return Bold == other.Bold && Italic == other.Italic && Underline == other.Underline &&
               FontSize == other.FontSize;
    }
};

// One paragraph; an empty one stands for an empty line.
struct TRtfParagraph {
    std::vector<TRtfRun> Runs;

    // The paragraph's text without formatting.
    std::string PlainText() const;
};

// A rich-text document as a list of paragraphs.
struct TRtfDocument {
    std::vector<TRtfParagraph> Paragraphs;

    // The document's text without formatting, paragraphs ending in "\n".
    std::string PlainText() const;
};

// Reads rich text into a document; false with a reason when the text does not start like rich text ("{\rtf").
// Malformed content after that never fails: unbalanced groups, bad escapes and unknown words are passed over.
bool ParseRtf(std::string_view rtf, TRtfDocument& document, std::string& error);

// Reads a rich-text file into a document; false with a reason when the file cannot be read or is no rich text.
bool ReadRtfFile(const std::string& path, TRtfDocument& document, std::string& error);

} // namespace kvn
