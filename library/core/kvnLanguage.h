#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The language manager: loads one language file at a time and hands its numbered texts to the program. The
// windows are designed in German; every other language lives in a text file beside the executable whose name ends
// in ".x" and the language's two-letter code. The file holds text tables (one-letter section names: "G" general,
// "S" swimming terms, "V" viewer texts) and form sections (window class names) that the user interface applies to
// its windows.

namespace kvn {

// Index that stands for "no language chosen, pick one automatically"; it never names a file.
inline constexpr int kAutoLanguage = 24;

// Number of language indexes including kAutoLanguage.
inline constexpr int kLanguageCount = 25;

// The user's language as the Windows primary and sub-language numbers (0, 0 when unknown).
struct TWinLangId {
    int Primary = 0;
    int Sub = 0;
};

// The language index (0 to 23) for a Windows language, or -1 when the language has no file of its own.
int LanguageForLangId(TWinLangId id);

// The Windows language of a locale name such as "de_AT.UTF-8", "en-GB" or "fr_CA@euro"; 0, 0 for "C", "POSIX"
// and languages without a Windows number here.
TWinLangId LangIdFromLocaleName(std::string_view locale);

// Installs the function that tells the user's default language (nullptr restores the default, which reads the
// LC_ALL, LC_MESSAGES and LANG environment variables in that order).
void SetUserLangIdSource(std::function<TWinLangId()> source);

// The user's default language, from the installed source.
TWinLangId UserDefaultLangId();

// The language index used whenever a requested language has no file; 3 ("us") until set.
int DefaultLanguage();

// Sets the fallback language index (indexes outside 0 to 23 are ignored).
void SetDefaultLanguage(int index);

// Two-letter code of a language index; "xx" for kAutoLanguage and for indexes outside the table.
std::string LanguageCode(int index);

// The language file of an index: the executable's path with its extension replaced by ".x" and the code, beside
// the executable or, when only there, in the installed data folder.
std::string LanguageFileName(int index);

// The help file of an index: the executable's path without extension followed by "-x", the code and ".hlp",
// beside the executable or, when only there, in the installed data folder.
std::string HelpFileName(int index);

// Start and line count of one section of a language file.
struct TLanguageSection {
    std::string Name;
    int Start = 0; // position of the first line after the header in Lines(), from 0
    int Count = 0; // lines up to the next header or the end of the file
};

class TLanguage;

// Translates every open window from the form sections of the manager's loaded file.
using TFormTranslator = std::function<void(TLanguage&)>;

// Installs the function that translates all open windows when a load asks for it (nullptr for none); the user
// interface installs it before the first GetLanguage(), because creating the manager already loads a language.
void SetFormTranslator(TFormTranslator translator);

// The language manager; there is one per process (GetLanguage), tests may make their own.
class TLanguage {
public:
    // Notification after every successful load.
    using TChangeHandler = std::function<void(TLanguage&)>;

    // An empty manager: nothing loaded, ScreenLanguage 0; see ChooseLanguage.
    TLanguage();

    // Loads the language of index (kAutoLanguage or any index outside 0 to 23: the one of the user's default
    // language), else DefaultLanguage(), else nothing; then print and help language follow the screen language.
    void ChooseLanguage(int index);

    // Loads the file of index into Lines() and its section index, sets ScreenLanguage and the month and day names
    // the file holds and, when translateForms, re-translates the windows (SetFormTranslator); false (nothing changed)
    // when the file is missing or unreadable.
    bool LoadLanguage(int index, bool translateForms);

    // Entry n (from 1) of a one-letter text table with "\N" as CR LF and "_" as blank; field > 0 gives that
    // ";"-separated value only; empty for a missing section, entry or field.
    std::string GetText(std::string_view section, int n, int field = 0) const;

    // Switches the texts to the print language until RestoreScreenLanguage (windows are not re-translated).
    void UsePrintLanguage();

    // Loads the screen language again after UsePrintLanguage.
    void RestoreScreenLanguage();

    // Makes index the help language when its help file exists, else DefaultLanguage(); sets HelpFile().
    void SetHelpLanguage(int index);

    // Language whose file is loaded; 0 before the first successful load.
    int ScreenLanguage() const { return fScreenLanguage; }
    // Language of print runs.
    int PrintLanguage() const { return fPrintLanguage; }
    // Sets the language of print runs.
    void SetPrintLanguage(int index) { fPrintLanguage = index; }
    // Language of the help file.
    int HelpLanguage() const { return fHelpLanguage; }
    // The help file of HelpLanguage(), whether it exists or not.
    const std::string& HelpFile() const { return fHelpFile; }
    // Screen language saved during a print run; kAutoLanguage when none is saved.
    int SavedLanguage() const { return fSavedLanguage; }

    // Folder prefix for exported window texts; empty when no texts are exported.
    const std::string& ExportDir() const { return fExportDir; }
    // Sets the folder prefix for exported window texts.
    void SetExportDir(std::string dir) { fExportDir = std::move(dir); }

    // The handler called after every successful load, empty when none is installed.
    const TChangeHandler& OnChange() const { return fOnChange; }
    // Installs the handler called after every successful load (nullptr for none).
    void SetOnChange(TChangeHandler handler) { fOnChange = std::move(handler); }

    // Every line of the loaded file, in order.
    const std::vector<std::string>& Lines() const { return fLines; }
    // One entry per section header in file order: "name=start", form sections followed by ";count".
    const std::vector<std::string>& SectionIndex() const { return fSectionIndex; }
    // The first section of that name (case ignored), or nothing.
    std::optional<TLanguageSection> FindSection(std::string_view name) const;

private:
    const TLanguageSection* Section(std::string_view name) const;

    std::vector<std::string> fLines;
    std::vector<std::string> fSectionIndex;
    std::vector<TLanguageSection> fSections;
    std::vector<std::string> fSectionKeys; // lower-case names of fSections
    std::string fExportDir;
    std::string fHelpFile;
    int fScreenLanguage = 0;
    int fPrintLanguage = 0;
    int fHelpLanguage = 0;
    int fSavedLanguage = kAutoLanguage;
    TChangeHandler fOnChange;
};

// The process-wide language manager, created on first use from the settings "Config"/"lbxLanguage",
// "lbxPrnLanguage" and "lbxHlpLanguage".
TLanguage& GetLanguage();

// Destroys the process-wide manager, so that the next GetLanguage() creates it anew.
void FreeLanguage();

} // namespace kvn
