#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kvnDateTime.h"

// The settings file: an INI text file of "[section]" lines and "key=value" lines. Section and key names match
// regardless of case, blanks around "=" and around values are dropped on reading, lines starting with ";" or "#"
// are comments, and the first of duplicate keys wins. Writes keep every line they do not change.

namespace kvn {

class TKvnIniLines;

// The operations shared by the settings file on disk and its in-memory copy.
class TKvnCustomIniFile {
public:
    explicit TKvnCustomIniFile(std::string fileName);
    virtual ~TKvnCustomIniFile();
    TKvnCustomIniFile(const TKvnCustomIniFile&) = delete;
    TKvnCustomIniFile& operator=(const TKvnCustomIniFile&) = delete;

    // Path of the file.
    const std::string& FileName() const { return fFileName; }

    // The stored text (at most 2047 characters), or the default when the key is missing.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Stores a text; throws EKvnError for names the file cannot hold, for line breaks and when writing fails.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // The stored decimal number ("0x" followed by hexadecimal digits also counts), else the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // Stores a number as decimal text.
    void WriteInteger(std::string_view section, std::string_view key, int value);

    // True when the stored number is not 0; the default when no number is stored.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // Stores "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // The date-time stored as "yyyymmddhhnnss" (time digits may be missing), or the default when the date is
    // missing, undecodable or the calendar origin.
    TDateTime ReadDateTime(std::string_view section, std::string_view key, TDateTime defaultValue) const;
    // Stores a date-time as "yyyymmddhhnnss"; throws EKvnError for a value outside the years 1 to 9999.
    void WriteDateTime(std::string_view section, std::string_view key, TDateTime value);

    // The multi-line text stored under name (lines joined by CR LF), or the default when none is stored.
    std::string ReadText(std::string_view section, std::string_view name, std::string_view defaultText) const;
    // Stores a multi-line text under name as a line count and one key per line; trailing empty lines are dropped
    // and the lines of an earlier, longer text are deleted.
    void WriteText(std::string_view section, std::string_view name, std::string_view text);

    // Removes the key (every copy of it) from the section.
    void DeleteKey(std::string_view section, std::string_view key);
    // True when the file has the section.
    bool SectionExists(std::string_view section) const;
    // True when the section holds the key, even with an empty value.
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Names of the keys of the section, in file order, each once.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Names of the sections, in file order, each once.
    std::vector<std::string> ReadSections() const;
    // Removes the section with all its lines.
    void EraseSection(std::string_view section);

protected:
    // Lets reader look at the current contents.
    virtual void Inspect(const std::function<void(const TKvnIniLines&)>& reader) const = 0;
    // Lets writer change the contents; writer returns whether it changed anything, and changes are then stored.
    virtual void Modify(const std::function<bool(TKvnIniLines&)>& writer) = 0;

    std::string fFileName;
};

// The settings file on disk: reads see the file as it is now (it is parsed again only when it has changed on disk),
// every write replaces it at once.
class TKvnIniFile : public TKvnCustomIniFile {
public:
    // Only records the names; the files need not exist. While fileName does not exist, reads come from seedFileName
    // (when given), and the first write stores its contents together with the change under fileName.
    explicit TKvnIniFile(std::string fileName, std::string seedFileName = "");
    ~TKvnIniFile() override;
    // Points the object at another file, without a seed.
    void SetFileName(std::string fileName);

protected:
    void Inspect(const std::function<void(const TKvnIniLines&)>& reader) const override;
    void Modify(const std::function<bool(TKvnIniLines&)>& writer) override;

private:
    struct TCache;
    // Brings the parsed copy up to date with the file on disk; false when the file exists but cannot be read.
    bool Refresh() const;

    std::string fSeedFileName;
    std::unique_ptr<TCache> fCache;
};

// A copy of a settings file in memory: loaded when created, written back only by UpdateFile.
class TKvnMemIniFile : public TKvnCustomIniFile {
public:
    // Loads the file; a missing or unreadable file gives an empty copy.
    explicit TKvnMemIniFile(std::string fileName);
    ~TKvnMemIniFile() override;
    // Writes the copy to the file; throws EKvnError "Unable to write to <path>" when that fails.
    void UpdateFile();

protected:
    void Inspect(const std::function<void(const TKvnIniLines&)>& reader) const override;
    void Modify(const std::function<bool(TKvnIniLines&)>& writer) override;

private:
    std::unique_ptr<TKvnIniLines> fLines;
};

// The program's one settings file, created on first use at SettingsFilePath(); while that file does not exist, the
// settings file beside the executable is read (SettingsSeedFilePath()).
TKvnIniFile& SettingsFile();

// Points the program's settings file at another path (tests, start-up options).
void SetSettingsFilePath(const std::string& path);

} // namespace kvn
