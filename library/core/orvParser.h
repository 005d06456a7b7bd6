#pragma once

#include "orvElements.h"
#include "orvLineCounter.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvn {

class TKvnContainerExtraction;

// Receives the reader's message lines; the result document keeps them as its errors and warnings.
class IOrvMessageReceiver {
public:
    virtual ~IOrvMessageReceiver() = default;
    // One problem; position 0 means the message has no position.
    virtual void AddMessage(const std::string& text, std::int32_t position, bool warning) = 0;
};

// The position number of messages and elements: the larger of line number and start-tag count, clamped to the
// largest 32-bit number for files of more than 2^31 lines or tags.
std::int32_t OrvPositionNumber(std::int64_t lineNumber, std::int64_t startTagCount);

// Character set of a file's text, decided from its declaration or its bytes.
enum class TOrvEncoding : std::uint8_t { Undecided, Utf8, Windows1252 };

// Reads one exchange-format file into an element tree. A forgiving single-pass reader: it never stops at a
// syntax error, reports every problem to the receiver with its position and marks the element concerned.
class TOrvParser {
public:
    using TProgress = std::function<void(std::int32_t position)>;

    explicit TOrvParser(IOrvMessageReceiver& receiver);
    ~TOrvParser();
    TOrvParser(const TOrvParser&) = delete;
    TOrvParser& operator=(const TOrvParser&) = delete;

    // Reads the file (plain, or the single .ovf of a container) to its end; nullptr when it cannot be opened or
    // has no root element, else the tree, also when errors were reported.
    std::unique_ptr<TOrvTree> Parse(const std::string& fileName, const TProgress& progress = {});

    // True when the input came from a scrambled container.
    bool IsScrambled() const { return fScrambled; }
    // The character set the text was read in.
    TOrvEncoding Encoding() const { return fEncoding; }

    // Bytes of the window through which the input is read.
    static constexpr std::size_t kWindowSize = 4096;
    // Bytes asked of the file at a time; the windows are views into this block, so the system sees few reads
    // and the text of a token rarely has to be copied.
    static constexpr std::size_t kReadSize = 256 * 1024;

private:
    enum TTokenKind : std::uint8_t {
        tkNone,
        tkEnd,
        tkText,
        tkStartTag,
        tkEndTag,
        tkAttributeName,
        tkAttributeValue,
        tkComment,
        tkProcessingInstruction,
        tkDeclaration
    };
    enum TLexerState : std::uint8_t { lsBetweenTags, lsInStartTag, lsExpectValue, lsExpectEquals, lsExpectEndTagClose };

    bool OpenInput(const std::string& fileName);
    void CloseInput();
    void DecideEncodingFromBytes();

    // Window handling.
    bool ReadBlock();
    bool Refill();
    int PeekAt(std::size_t offset);
    inline std::int32_t Position();

    // Lexer.
    TTokenKind NextToken();
    inline TTokenKind ReadMarkup();
    void ReadName();
    inline void ReadTagName();
    inline bool TakeExpectedTagName(TOrvTagKind kind);
    void ReadText();
    void ReadUntil(std::string_view terminator, bool keepText);
    void ReadQuotedValue();
    inline void SkipBlanks();

    // Parser.
    void Report(const std::string& text, std::int32_t position, bool warning, std::uint8_t level);
    void Mark(std::uint8_t level);
    void HandleStartTag();
    bool TakeTextAndEndTag(TOrvDataElement& data);
    void HandleEndTag();
    TTokenKind HandleAttribute();
    bool ReadAttributeValueAtOnce();
    void SkipUnknownElement();
    void Push(TOrvAbstractElement* element);
    void Pop();
    void ReportUnfinishedInput();
    void CloseOpenElements();
    void CheckVersion();
    std::string_view DecodeValue(std::string_view raw);
    std::string_view DecodeEntities(std::string_view text);
    void TakeDeclaration(std::string_view declaration);

    IOrvMessageReceiver& fReceiver;
    TProgress fProgress;

    std::FILE* fFile = nullptr;
    std::string fFileName;
    bool fScrambled = false;
    bool fInputEnded = false;  // the file is read to its end (or a zero byte ended it)
    bool fEndOfTokens = false; // the lexer has delivered the end of input
    bool fZeroByte = false;    // a zero byte ended the input
    std::unique_ptr<TKvnContainerExtraction> fContainer;

    // Bytes after the block that vector loads may touch.
    static constexpr std::size_t kSlack = 64;
    static_assert(kSlack >= TOrvLineCounter::kReadPast && kSlack >= kOrvLongestPackedName);

    // The block: bytes in [fBuffer, fBlockEnd), zero at fBlockEnd. The window: [fPos, fEnd), where the byte at
    // fEnd is replaced by a zero (the original in fSavedByte) so that the lexer's loops stop there.
    std::unique_ptr<char[]> fBuffer;
    char* fPos = nullptr;
    char* fEnd = nullptr;
    char* fBlockEnd = nullptr;
    char fSavedByte = 0;
    TOrvLineCounter fLines;
    std::int64_t fStartTagCount = 1;

    TLexerState fState = lsBetweenTags;
    TOrvTagKind fTagKind = otUnknown;
    std::string_view fText;    // text of the last token, in the block or in fToken
    bool fTextIsPlain = false; // the last text token holds neither references nor bytes above 0x7F
    std::string fToken;        // text of a token that spans windows
    std::string fConverted;    // scratch for character-set conversion
    std::string fUnescaped;    // scratch for entity decoding
    // The kind of the last start tag, and for each kind the one that followed it last: the lexer's guess.
    TOrvTagKind fLastStartTag = otUnknown;
    std::array<TOrvTagKind, otUnknown + 1> fNextStartTag{};

    TOrvEncoding fEncoding = TOrvEncoding::Undecided;

    std::unique_ptr<TOrvTree> fTree;
    std::vector<TOrvAbstractElement*> fStack;
    // Children of the open objects, gathered while they are open and handed over when they close: those of an
    // inner object always follow those of the objects around it, from fFirstChild of its level on.
    std::vector<TOrvAbstractElement*> fPendingChildren;
    std::vector<std::size_t> fFirstChild;
};

} // namespace kvn
