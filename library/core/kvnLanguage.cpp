#include "kvnLanguage.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "kvnEncoding.h"
#include "kvnFormatSettings.h"
#include "kvnIniFiles.h"
#include "kvnPaths.h"
#include "kvnStrings.h"

namespace fs = std::filesystem;

namespace kvn {

namespace {

constexpr std::array<const char*, kLanguageCount> kLanguageCodes = {
    "ch", "de", "fr", "us", "it", "nl", "es", "ru", "dk", "pl", "pt", "fi", "is",
    "se", "no", "at", "ca", "hu", "cz", "si", "hr", "tr", "mx", "uk", "xx"};

// Longest text taken from one entry, in characters.
constexpr std::size_t kMaxTextLength = 999;

// Language files are a few hundred kilobytes; anything far bigger is not one and is not read into memory.
constexpr std::uintmax_t kMaxLanguageFileSize = 16u << 20;

bool IsFileIndex(int index)
{
    return index >= 0 && index < kAutoLanguage;
}

int& DefaultLanguageIndex()
{
    static int index = 3;
    return index;
}

std::function<TWinLangId()>& LangIdSource()
{
    static std::function<TWinLangId()> source;
    return source;
}

TFormTranslator& FormTranslator()
{
    static TFormTranslator translator;
    return translator;
}

std::unique_ptr<TLanguage>& Instance()
{
    static std::unique_ptr<TLanguage> instance;
    return instance;
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::error_code error;
    std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMaxLanguageFileSize) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    // The file may have shrunk since its size was taken.
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

// The name of a header line: without the "[" and the last character, whatever that is. Blanks after the closing
// bracket are not taken for it, since editors add them unseen.
std::string HeaderName(std::string_view line)
{
    std::size_t end = line.find_last_not_of(" \t");
    line = line.substr(0, end + 1);
    return line.size() >= 2 ? std::string(line.substr(1, line.size() - 2)) : std::string();
}

TWinLangId LangIdFromEnvironment()
{
    // The same precedence as the C library's choice of the message language.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(name); value && *value) return LangIdFromLocaleName(value);
    return TWinLangId();
}

struct TPrimaryLanguage {
    std::string_view Code; // ISO 639 code of the locale name
    int Primary;
};

// Windows primary language numbers of the languages that have a language index, plus Norwegian's two written forms.
constexpr TPrimaryLanguage kPrimaryLanguages[] = {
    {"cs", 5},  {"da", 6},  {"de", 7},  {"en", 9},  {"es", 10}, {"fi", 11}, {"fr", 12},
    {"hu", 14}, {"is", 15}, {"it", 16}, {"nl", 19}, {"no", 20}, {"nb", 20}, {"nn", 20},
    {"pl", 21}, {"pt", 22}, {"ru", 25}, {"hr", 26}, {"sv", 29}, {"tr", 31}, {"sl", 36}};

struct TSubLanguage {
    int Primary;
    std::string_view Territory; // ISO 3166 code of the locale name
    int Sub;
};

// Windows sub-language numbers by country; a country not listed gets 1, the language's main form.
constexpr TSubLanguage kSubLanguages[] = {{7, "CH", 2},  {7, "AT", 3},  {7, "LU", 4},  {7, "LI", 5},  {9, "GB", 2},
                                          {9, "AU", 3},  {9, "CA", 4},  {9, "NZ", 5},  {9, "IE", 6},  {9, "ZA", 7},
                                          {10, "MX", 2}, {12, "BE", 2}, {12, "CA", 3}, {12, "CH", 4}, {12, "LU", 5},
                                          {12, "MC", 6}, {16, "CH", 2}, {19, "BE", 2}, {22, "PT", 2}, {29, "FI", 2}};

} // namespace

int LanguageForLangId(TWinLangId id)
{
    switch (id.Primary) {
    case 5:
        return 18;
    case 6:
        return 8;
    case 7:
        return id.Sub == 2 ? 0 : id.Sub == 3 ? 15 : 1;
    case 9:
        return id.Sub == 2 ? 23 : 3;
    case 10:
        return id.Sub == 2 ? 22 : 6;
    case 11:
        return 11;
    case 12:
        return id.Sub == 3 ? 16 : 2;
    case 14:
        return 17;
    case 15:
        return 12;
    case 16:
        return 4;
    case 19:
        return 5;
    case 20:
        return 14;
    case 21:
        return 9;
    case 22:
        return 10;
    case 25:
        return 7;
    case 26:
        return 20;
    case 29:
        return 13;
    case 31:
        return 21;
    case 36:
        return 19;
    default:
        return -1;
    }
}

TWinLangId LangIdFromLocaleName(std::string_view locale)
{
    // language[_territory][.codeset][@modifier], with "-" as separator in the BCP 47 spelling.
    locale = locale.substr(0, locale.find_first_of(".@"));
    std::size_t separator = locale.find_first_of("_-");
    std::string language = AsciiLower(locale.substr(0, separator));
    std::string territory =
        separator == std::string_view::npos ? std::string() : AsciiUpper(locale.substr(separator + 1, 2));

    TWinLangId id;
    for (const TPrimaryLanguage& entry : kPrimaryLanguages)
        if (entry.Code == language) id.Primary = entry.Primary;
    if (id.Primary == 0) return id;
    id.Sub = language == "nn" ? 2 : 1;
    for (const TSubLanguage& entry : kSubLanguages)
        if (entry.Primary == id.Primary && entry.Territory == territory) id.Sub = entry.Sub;
    return id;
}

void SetUserLangIdSource(std::function<TWinLangId()> source)
{
    LangIdSource() = std::move(source);
}

TWinLangId UserDefaultLangId()
{
    return LangIdSource() ? LangIdSource()() : LangIdFromEnvironment();
}

int DefaultLanguage()
{
    return DefaultLanguageIndex();
}

void SetDefaultLanguage(int index)
{
    if (IsFileIndex(index)) DefaultLanguageIndex() = index;
}

std::string LanguageCode(int index)
{
    return IsFileIndex(index) ? kLanguageCodes[static_cast<std::size_t>(index)] : kLanguageCodes[kAutoLanguage];
}

std::string LanguageFileName(int index)
{
    return ProgramDataFile(fs::path(ProgramFileName(".x" + LanguageCode(index))).filename().string());
}

std::string HelpFileName(int index)
{
    std::string name = fs::path(ExecutablePath()).stem().string();
    return ProgramDataFile(name + "-x" + LanguageCode(index) + ".hlp");
}

void SetFormTranslator(TFormTranslator translator)
{
    FormTranslator() = std::move(translator);
}

TLanguage::TLanguage() : fHelpLanguage(DefaultLanguage()) {}

void TLanguage::ChooseLanguage(int index)
{
    if (!IsFileIndex(index)) index = LanguageForLangId(UserDefaultLangId());
    if (index < 0) index = DefaultLanguage();
    if (!LoadLanguage(index, true)) LoadLanguage(DefaultLanguage(), true);
    fSavedLanguage = kAutoLanguage;
    fPrintLanguage = fScreenLanguage;
    SetHelpLanguage(fScreenLanguage);
}

bool TLanguage::LoadLanguage(int index, bool translateForms)
{
    if (!IsFileIndex(index)) return false;
    std::string path = LanguageFileName(index);
    std::string bytes;
    if (!FileExists(path) || !ReadWholeFile(path, bytes)) return false;

    std::vector<std::string> lines = SplitLines(TextFileToUtf8(bytes));
    std::vector<TLanguageSection> sections;
    std::vector<std::string> sectionIndex;
    auto closeSection = [&](int end) {
        if (sections.empty()) return;
        TLanguageSection& last = sections.back();
        last.Count = end - last.Start;
        // Only form sections carry their length in the index; text tables are read by position alone.
        if (Utf8Length(last.Name) > 1) sectionIndex.back() += ";" + IntToStr(last.Count);
    };
    for (std::size_t p = 0; p < lines.size(); ++p) {
        if (lines[p].empty() || lines[p][0] != '[') continue;
        closeSection(static_cast<int>(p));
        TLanguageSection section{HeaderName(lines[p]), static_cast<int>(p) + 1, 0};
        sectionIndex.push_back(section.Name + "=" + IntToStr(section.Start));
        sections.push_back(std::move(section));
    }
    closeSection(static_cast<int>(lines.size()));

    fLines = std::move(lines);
    fSections = std::move(sections);
    fSectionIndex = std::move(sectionIndex);
    fSectionKeys.clear();
    for (const TLanguageSection& section : fSections)
        fSectionKeys.push_back(Utf8Lower(section.Name));
    fScreenLanguage = index;

    // A name the file lacks keeps the one in force: an empty month name would make every date unreadable.
    TFormatSettings& format = FormatSettings();
    auto replaceNames = [this](auto& names, int entry) {
        std::string text = GetText("G", entry);
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::string name = SemicolonFields(text, static_cast<int>(i) + 1, 1);
            if (!name.empty()) names[i] = std::move(name);
        }
    };
    replaceNames(format.LongMonthNames, 70);
    replaceNames(format.ShortMonthNames, 71);
    replaceNames(format.LongDayNames, 72);
    replaceNames(format.ShortDayNames, 73);

    if (translateForms && FormTranslator()) FormTranslator()(*this);
    if (fOnChange) fOnChange(*this);
    return true;
}

std::optional<TLanguageSection> TLanguage::FindSection(std::string_view name) const
{
    const TLanguageSection* section = Section(name);
    return section ? std::optional<TLanguageSection>(*section) : std::nullopt;
}

const TLanguageSection* TLanguage::Section(std::string_view name) const
{
    std::string key = Utf8Lower(name);
    for (std::size_t i = 0; i < fSectionKeys.size(); ++i)
        if (fSectionKeys[i] == key) return &fSections[i];
    return nullptr;
}

std::string TLanguage::GetText(std::string_view section, int n, int field) const
{
    const TLanguageSection* found = Section(section);
    // Entries are found by position, so an entry past its section would be a line of the next one.
    if (!found || n < 1 || n > found->Count) return "";
    const std::string& line = fLines[static_cast<std::size_t>(found->Start + n - 1)];
    std::size_t equals = line.find('=');
    std::string_view value =
        equals == std::string::npos ? std::string_view(line) : std::string_view(line).substr(equals + 1);
    std::string text = ReplaceAll(ReplaceAll(Utf8Left(value, kMaxTextLength), "\\N", "\r\n"), "_", " ");
    return field > 0 ? SemicolonFields(text, field, 1) : text;
}

void TLanguage::UsePrintLanguage()
{
    if (fScreenLanguage == fPrintLanguage) return;
    fSavedLanguage = fScreenLanguage;
    if (!LoadLanguage(fPrintLanguage, false)) fSavedLanguage = kAutoLanguage;
}

void TLanguage::RestoreScreenLanguage()
{
    if (fSavedLanguage == kAutoLanguage) return;
    int saved = fSavedLanguage;
    fSavedLanguage = kAutoLanguage;
    LoadLanguage(saved, false);
}

void TLanguage::SetHelpLanguage(int index)
{
    fHelpLanguage = IsFileIndex(index) && FileExists(HelpFileName(index)) ? index : DefaultLanguage();
    fHelpFile = HelpFileName(fHelpLanguage);
}

TLanguage& GetLanguage()
{
    std::unique_ptr<TLanguage>& instance = Instance();
    if (instance) return *instance;

    TKvnIniFile& settings = SettingsFile();
    int index = settings.ReadInteger("Config", "lbxLanguage", -1);
    // Out of range counts as no choice made, as the code table has no entry for it.
    if (index < 0 || index > kAutoLanguage) index = kAutoLanguage;

    // Published before anything loads, so that window translation and change handlers reach this manager.
    instance = std::make_unique<TLanguage>();
    TLanguage& language = *instance;
    language.ChooseLanguage(index);
    int screen = language.ScreenLanguage();
    int print = settings.ReadInteger("Config", "lbxPrnLanguage", screen);
    language.SetPrintLanguage(print >= 0 && print <= kAutoLanguage ? print : screen);
    int help = settings.ReadInteger("Config", "lbxHlpLanguage", screen);
    language.SetHelpLanguage(help >= 0 && help <= kAutoLanguage ? help : screen);
    return language;
}

void FreeLanguage()
{
    Instance().reset();
}

} // namespace kvn
