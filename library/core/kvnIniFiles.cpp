#include "kvnIniFiles.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "kvnEncoding.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnStrings.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace kvn {

namespace {

constexpr std::size_t kMaxValueLength = 2047;

// Names are compared in one folded form; nearly all are ASCII, which takes the fast path.
std::string FoldName(std::string_view name)
{
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x80) return Utf8Lower(name);
    return AsciiLower(name);
}

enum class TLineKind { Other, Comment, Section, Key };

// One line of the file with what it means, parsed once when the line is loaded or written.
struct TParsedLine {
    std::string Text;
    // The bytes as read, when they differ from Text (a Windows-1252 line, a byte-order mark); an unchanged line is
    // written back as it was read.
    std::optional<std::string> Raw;
    TLineKind Kind = TLineKind::Other;
    std::string Name;
    std::string Folded; // Name in the form used for comparisons
    std::string Value;
};

TParsedLine ParseLine(std::string line)
{
    TParsedLine parsed;
    std::string text = Trim(line);
    parsed.Text = std::move(line);
    if (text.empty()) return parsed;
    if (text[0] == ';' || text[0] == '#') {
        parsed.Kind = TLineKind::Comment;
    } else if (text[0] == '[') {
        std::size_t close = text.find(']');
        if (close != std::string::npos) {
            parsed.Kind = TLineKind::Section;
            parsed.Name = Trim(std::string_view(text).substr(1, close - 1));
        }
    } else if (std::size_t equals = text.find('='); equals != std::string::npos) {
        parsed.Kind = TLineKind::Key;
        parsed.Name = Trim(std::string_view(text).substr(0, equals));
        parsed.Value = Trim(std::string_view(text).substr(equals + 1));
    }
    if (parsed.Kind == TLineKind::Section || parsed.Kind == TLineKind::Key) parsed.Folded = FoldName(parsed.Name);
    return parsed;
}

bool HasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void CheckSection(std::string_view section)
{
    if (section.empty() || Trim(section) != section || section.find(']') != std::string_view::npos ||
        HasLineBreakOrNul(section))
        throw EKvnError("Invalid settings section name \"" + std::string(section) + "\"");
}

void CheckKey(std::string_view key)
{
    // Anything that would read back as another key, a comment or a section header is refused.
    if (key.empty() || Trim(key) != key || key.find('=') != std::string_view::npos || key[0] == ';' || key[0] == '#' ||
        key[0] == '[' || HasLineBreakOrNul(key))
        throw EKvnError("Invalid settings key \"" + std::string(key) + "\"");
}

void CheckValue(std::string_view key, std::string_view value)
{
    // A line break would end the value early and turn the rest into lines of their own.
    if (HasLineBreakOrNul(value)) throw EKvnError("Line break in the settings value of \"" + std::string(key) + "\"");
}

std::string LineKey(std::string_view name, std::size_t index)
{
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.3zu", index);
    return std::string(name) + digits;
}

std::optional<int> ParseIniInteger(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        // Hexadecimal values are colours and masks: up to eight digits, the top bit making them negative.
        std::string_view digits = text.substr(2);
        if (digits.size() > 8) return std::nullopt;
        std::uint32_t value = 0;
        for (char c : digits) {
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        return static_cast<std::int32_t>(value);
    }
    int value = 0;
    if (TryStrToInt(text, value)) return value;
    return std::nullopt;
}

[[noreturn]] void ThrowUnableToWrite(const std::string& path)
{
    throw EKvnError("Unable to write to " + path);
}

enum class TReadResult { Ok, Missing, Failed };

TReadResult ReadFileBytes(const std::string& path, std::string& bytes)
{
    // Only plain files are read: a folder fails, and a named pipe would block the program.
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return TReadResult::Missing;
    if (error || status.type() != fs::file_type::regular) return TReadResult::Failed;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return errno == ENOENT || errno == ENOTDIR ? TReadResult::Missing : TReadResult::Failed;
    char buffer[65536];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? TReadResult::Failed : TReadResult::Ok;
}

#ifdef _WIN32

void WriteFileAtomically(const std::string& path, const std::string& data)
{
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            ThrowUnableToWrite(path);
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        ThrowUnableToWrite(path);
    }
}

#else

bool WriteAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The new contents go to a temporary file beside the old one, reach the disk, and only then replace it by a
// rename, so a crash or a full disk leaves either the old or the new file, never half of one.
void WriteFileAtomically(const std::string& path, const std::string& data)
{
    std::error_code error;
    fs::path target(path);
    // Replacing a symbolic link by a file would cut the link, so the file it points to is written.
    if (fs::is_symlink(target, error)) {
        fs::path resolved = fs::weakly_canonical(target, error);
        if (!error) target = resolved;
    }
    mode_t mode = 0666; // narrowed by the umask for a new file
    struct stat existing {};
    bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists) {
        // A read-only file stays unchanged even where the folder would allow replacing it.
        if (!S_ISREG(existing.st_mode) || (existing.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            ThrowUnableToWrite(path);
        mode = existing.st_mode & 07777;
    }

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    static unsigned counter = 0;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = (folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                               std::to_string(++counter) + ".tmp"))
                        .string();
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) ThrowUnableToWrite(path);

    bool ok = (!exists || ::fchmod(fd, mode) == 0) && WriteAll(fd, data) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        ThrowUnableToWrite(path);
    }
    // The rename itself is durable only once the folder is flushed; the file is complete either way.
    int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}

#endif

// Holds the keys of one section, first copy of each, for the lookups of a multi-line text.
std::unordered_map<std::string, std::string> SectionMap(const std::vector<const TParsedLine*>& keys)
{
    std::unordered_map<std::string, std::string> map;
    for (const TParsedLine* key : keys)
        map.try_emplace(key->Folded, key->Value);
    return map;
}

std::string CutValue(const std::string& value)
{
    return value.size() <= kMaxValueLength ? value : Utf8Left(value, kMaxValueLength);
}

} // namespace

// The lines of a settings file; every edit touches only the lines of the key or section it changes.
class TKvnIniLines {
public:
    // Splits the file's bytes into lines at CR LF, LF or a lone CR (the writer ends every line with LF, so a CR
    // could not stay inside a value anyway) and decodes each line on its own.
    void Load(std::string_view bytes)
    {
        fLines.clear();
        std::size_t start = 0;
        while (start < bytes.size()) {
            std::size_t end = bytes.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = bytes.size();
            AddRawLine(bytes.substr(start, end - start), start == 0);
            start = end + (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n' ? 2 : 1);
        }
    }

    std::string Text() const
    {
        std::string text;
        for (const TParsedLine& line : fLines) {
            text += line.Raw ? *line.Raw : line.Text;
            text += '\n';
        }
        return text;
    }

    // Calls visit(lineIndex, line) for each line of every section named section, headers included.
    template <typename Visitor>
    void ForEachLineOf(std::string_view section, Visitor visit) const
    {
        std::string wanted = FoldName(section);
        bool inside = false;
        for (std::size_t i = 0; i < fLines.size(); ++i) {
            const TParsedLine& line = fLines[i];
            if (line.Kind == TLineKind::Section) inside = line.Folded == wanted;
            if (inside) visit(i, line);
        }
    }

    // Index of the first line of key in the section.
    std::optional<std::size_t> Find(std::string_view section, std::string_view key) const
    {
        std::string wanted = FoldName(key);
        std::optional<std::size_t> found;
        ForEachLineOf(section, [&](std::size_t i, const TParsedLine& line) {
            if (!found && line.Kind == TLineKind::Key && line.Folded == wanted) found = i;
        });
        return found;
    }

    std::optional<std::string> Value(std::string_view section, std::string_view key) const
    {
        std::optional<std::size_t> found = Find(section, key);
        return found ? std::optional<std::string>(fLines[*found].Value) : std::nullopt;
    }

    // The keys of the section in file order, with their folded names and values.
    std::vector<const TParsedLine*> Keys(std::string_view section) const
    {
        std::vector<const TParsedLine*> keys;
        ForEachLineOf(section, [&](std::size_t, const TParsedLine& line) {
            if (line.Kind == TLineKind::Key) keys.push_back(&line);
        });
        return keys;
    }

    bool HasSection(std::string_view section) const
    {
        bool found = false;
        ForEachLineOf(section, [&](std::size_t, const TParsedLine&) { found = true; });
        return found;
    }

    std::vector<std::string> Sections() const
    {
        std::vector<std::string> names;
        std::unordered_set<std::string> seen;
        for (const TParsedLine& line : fLines)
            if (line.Kind == TLineKind::Section && seen.insert(line.Folded).second) names.push_back(line.Name);
        return names;
    }

    bool Set(std::string_view section, std::string_view key, std::string_view value)
    {
        if (std::optional<std::size_t> found = Find(section, key)) {
            TParsedLine& line = fLines[*found];
            // Blanks around a value are dropped on reading, so they make no difference worth a write.
            if (line.Value == Trim(value)) return false;
            // The key keeps the spelling it has in the file.
            line = ParseLine(line.Name + "=" + std::string(value));
            return true;
        }
        TParsedLine newLine = ParseLine(std::string(key) + "=" + std::string(value));
        // A new key goes after the last key of the first such section, ahead of blank lines and comments that
        // introduce the next section.
        std::optional<std::size_t> at;
        bool pastFirstSection = false;
        ForEachLineOf(section, [&](std::size_t i, const TParsedLine& line) {
            if (line.Kind == TLineKind::Section) {
                if (at)
                    pastFirstSection = true;
                else
                    at = i + 1;
            } else if (line.Kind == TLineKind::Key && !pastFirstSection) {
                at = i + 1;
            }
        });
        if (at) {
            fLines.insert(fLines.begin() + static_cast<std::ptrdiff_t>(*at), std::move(newLine));
            return true;
        }
        // Sections are set apart by an empty line to keep the file readable.
        if (!fLines.empty() && !Trim(fLines.back().Text).empty()) fLines.push_back(ParseLine(""));
        fLines.push_back(ParseLine("[" + std::string(section) + "]"));
        fLines.push_back(std::move(newLine));
        return true;
    }

    bool Delete(std::string_view section, std::string_view key)
    {
        std::string wanted = FoldName(key);
        std::vector<std::size_t> doomed;
        ForEachLineOf(section, [&](std::size_t i, const TParsedLine& line) {
            if (line.Kind == TLineKind::Key && line.Folded == wanted) doomed.push_back(i);
        });
        return EraseLines(doomed);
    }

    bool EraseSection(std::string_view section)
    {
        std::vector<std::size_t> doomed;
        ForEachLineOf(section, [&](std::size_t i, const TParsedLine&) { doomed.push_back(i); });
        return EraseLines(doomed);
    }

private:
    void AddRawLine(std::string_view raw, bool first)
    {
        std::string text = LineToUtf8(first ? WithoutByteOrderMark(raw) : raw);
        bool same = text == raw;
        fLines.push_back(ParseLine(std::move(text)));
        if (!same) fLines.back().Raw = std::string(raw);
    }

    bool EraseLines(const std::vector<std::size_t>& doomed)
    {
        if (doomed.empty()) return false;
        std::vector<TParsedLine> kept;
        kept.reserve(fLines.size() - doomed.size());
        std::size_t next = 0;
        for (std::size_t i = 0; i < fLines.size(); ++i) {
            if (next < doomed.size() && doomed[next] == i)
                ++next;
            else
                kept.push_back(std::move(fLines[i]));
        }
        fLines = std::move(kept);
        return true;
    }

    std::vector<TParsedLine> fLines;
};

TKvnCustomIniFile::TKvnCustomIniFile(std::string fileName) : fFileName(std::move(fileName)) {}

TKvnCustomIniFile::~TKvnCustomIniFile() = default;

std::string TKvnCustomIniFile::ReadString(std::string_view section, std::string_view key,
                                          std::string_view defaultValue) const
{
    std::optional<std::string> value;
    Inspect([&](const TKvnIniLines& lines) { value = lines.Value(section, key); });
    return value ? CutValue(*value) : std::string(defaultValue);
}

void TKvnCustomIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    CheckSection(section);
    CheckKey(key);
    CheckValue(key, value);
    Modify([&](TKvnIniLines& lines) { return lines.Set(section, key, value); });
}

int TKvnCustomIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const
{
    return ParseIniInteger(ReadString(section, key, "")).value_or(defaultValue);
}

void TKvnCustomIniFile::WriteInteger(std::string_view section, std::string_view key, int value)
{
    WriteString(section, key, IntToStr(value));
}

bool TKvnCustomIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TKvnCustomIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

TDateTime TKvnCustomIniFile::ReadDateTime(std::string_view section, std::string_view key, TDateTime defaultValue) const
{
    std::string text = ReadString(section, key, "");
    // Characters from position start (counted from 1) as a number; a missing or partial piece is no number.
    auto piece = [&](std::size_t start, std::size_t length, int& value) {
        std::string_view part = start - 1 < text.size() ? std::string_view(text).substr(start - 1, length) : "";
        return TryStrToInt(part, value);
    };
    int hour = 0, minute = 0, second = 0;
    TDateTime time = 0;
    if (!piece(9, 2, hour) || !piece(11, 2, minute) || !piece(13, 2, second) ||
        !TryEncodeTime(hour, minute, second, 0, time))
        time = 0;
    int year = 0, month = 0, day = 0;
    TDateTime date = 0;
    if (!piece(1, 4, year) || !piece(5, 2, month) || !piece(7, 2, day) || !TryEncodeDate(year, month, day, date))
        return defaultValue;
    TDateTime value = date + time;
    return value == 0 ? defaultValue : value;
}

void TKvnCustomIniFile::WriteDateTime(std::string_view section, std::string_view key, TDateTime value)
{
    std::string text = FormatDateTime("yyyymmddhhnnss", value);
    if (text.empty()) throw EKvnError("Invalid date-time value for the setting \"" + std::string(key) + "\"");
    WriteString(section, key, text);
}

std::string TKvnCustomIniFile::ReadText(std::string_view section, std::string_view name,
                                        std::string_view defaultText) const
{
    std::unordered_map<std::string, std::string> map;
    Inspect([&](const TKvnIniLines& lines) { map = SectionMap(lines.Keys(section)); });
    std::string folded = FoldName(name);
    int count = -1;
    if (auto found = map.find(folded + "xx"); found != map.end())
        count = ParseIniInteger(CutValue(found->second)).value_or(-1);
    if (count == -1) return std::string(defaultText);
    if (count <= 0) return "";
    // Lines after the last stored one would all be empty; stopping there keeps a damaged count such as 2000000000
    // from building a text of billions of line breaks.
    std::size_t lineCount = 0;
    for (const auto& [key, value] : map) {
        if (key.size() < folded.size() + 3 || key.compare(0, folded.size(), folded) != 0) continue;
        std::string_view digits = std::string_view(key).substr(folded.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos ||
            (digits.size() > 3 && digits[0] == '0'))
            continue;
        std::size_t index = std::stoul(std::string(digits));
        if (index < static_cast<std::size_t>(count) && index + 1 > lineCount) lineCount = index + 1;
    }
    std::string text;
    for (std::size_t i = 0; i < lineCount; ++i) {
        if (i > 0) text += "\r\n";
        if (auto found = map.find(LineKey(folded, i)); found != map.end()) text += CutValue(found->second);
    }
    return text;
}

void TKvnCustomIniFile::WriteText(std::string_view section, std::string_view name, std::string_view text)
{
    std::vector<std::string> lines = SplitLines(text);
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();

    std::string countKey = std::string(name) + "XX";
    CheckSection(section);
    CheckKey(countKey);
    for (const std::string& line : lines)
        CheckValue(name, line);
    // All lines go to the file in one replacement instead of one per line.
    Modify([&](TKvnIniLines& ini) {
        bool changed = ini.Set(section, countKey, IntToStr(static_cast<long long>(lines.size())));
        for (std::size_t i = 0; i < lines.size(); ++i)
            changed = ini.Set(section, LineKey(name, i), lines[i]) || changed;
        for (std::size_t i = lines.size(); ini.Delete(section, LineKey(name, i)); ++i)
            changed = true;
        return changed;
    });
}

void TKvnCustomIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    Modify([&](TKvnIniLines& lines) { return lines.Delete(section, key); });
}

bool TKvnCustomIniFile::SectionExists(std::string_view section) const
{
    bool exists = false;
    Inspect([&](const TKvnIniLines& lines) { exists = lines.HasSection(section); });
    return exists;
}

bool TKvnCustomIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    bool exists = false;
    Inspect([&](const TKvnIniLines& lines) { exists = lines.Value(section, key).has_value(); });
    return exists;
}

std::vector<std::string> TKvnCustomIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> names;
    Inspect([&](const TKvnIniLines& lines) {
        std::unordered_set<std::string> seen;
        for (const TParsedLine* key : lines.Keys(section))
            if (seen.insert(key->Folded).second) names.push_back(key->Name);
    });
    return names;
}

std::vector<std::string> TKvnCustomIniFile::ReadSections() const
{
    std::vector<std::string> names;
    Inspect([&](const TKvnIniLines& lines) { names = lines.Sections(); });
    return names;
}

void TKvnCustomIniFile::EraseSection(std::string_view section)
{
    Modify([&](TKvnIniLines& lines) { return lines.EraseSection(section); });
}

// What identifies one state of the file on disk without reading it.
struct TFileStamp {
    bool Exists = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    std::int64_t Modified = 0; // nanoseconds
    std::int64_t Changed = 0;  // nanoseconds

    bool operator==(const TFileStamp&) const = default;
};

namespace {

std::int64_t Nanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
}

TFileStamp StampOf(const std::string& path)
{
    TFileStamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return stamp;
    stamp.Exists = true;
    stamp.Device = info.st_dev;
    stamp.Inode = info.st_ino;
    stamp.Size = info.st_size;
    stamp.Modified = Nanoseconds(info.st_mtim);
    stamp.Changed = Nanoseconds(info.st_ctim);
    return stamp;
}

std::int64_t NowNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

// File systems keep modification times in steps of up to two seconds, so a change made within that time of the last
// look may leave the stamp as it was; such a file is compared by content as well.
constexpr std::int64_t kStampResolution = 2000000000;

} // namespace

struct TKvnIniFile::TCache {
    bool Valid = false;
    std::string Path; // the file the lines came from: the settings file or its seed
    TFileStamp Stamp;
    bool StampUncertain = true;
    TReadResult Result = TReadResult::Missing;
    std::size_t ContentHash = 0;
    TKvnIniLines Lines;

    void Remember(const std::string& path, const TFileStamp& stamp, std::int64_t lookedAt, TReadResult result,
                  std::string_view bytes)
    {
        Valid = true;
        Path = path;
        Stamp = stamp;
        StampUncertain = !stamp.Exists || stamp.Modified + kStampResolution > lookedAt;
        Result = result;
        ContentHash = std::hash<std::string_view>{}(bytes);
    }
};

TKvnIniFile::TKvnIniFile(std::string fileName, std::string seedFileName)
    : TKvnCustomIniFile(std::move(fileName)), fSeedFileName(std::move(seedFileName)), fCache(std::make_unique<TCache>())
{
}

TKvnIniFile::~TKvnIniFile() = default;

void TKvnIniFile::SetFileName(std::string fileName)
{
    fFileName = std::move(fileName);
    fSeedFileName.clear();
    fCache->Valid = false;
}

bool TKvnIniFile::Refresh() const
{
    TCache& cache = *fCache;
    std::int64_t lookedAt = NowNanoseconds();
    std::string path = fFileName;
    TFileStamp stamp = StampOf(path);
    if (!stamp.Exists && !fSeedFileName.empty()) {
        path = fSeedFileName;
        stamp = StampOf(path);
    }
    // A stat per read instead of reading and parsing the whole file: a damaged file of many megabytes stays cheap.
    if (cache.Valid && cache.Path == path && cache.Stamp == stamp && !cache.StampUncertain)
        return cache.Result != TReadResult::Failed;
    std::string bytes;
    TReadResult result = ReadFileBytes(path, bytes);
    bool same = cache.Valid && cache.Path == path && cache.Result == result &&
                cache.ContentHash == std::hash<std::string_view>{}(bytes);
    if (!same) cache.Lines.Load(result == TReadResult::Ok ? std::string_view(bytes) : std::string_view());
    cache.Remember(path, stamp, lookedAt, result, bytes);
    return result != TReadResult::Failed;
}

void TKvnIniFile::Inspect(const std::function<void(const TKvnIniLines&)>& reader) const
{
    Refresh();
    reader(fCache->Lines);
}

void TKvnIniFile::Modify(const std::function<bool(TKvnIniLines&)>& writer)
{
    // Replacing a file that could not be read would throw its contents away.
    if (!Refresh() && fCache->Path == fFileName) ThrowUnableToWrite(fFileName);
    TCache& cache = *fCache;
    if (!writer(cache.Lines)) return;
    // Whatever happens next, the parsed copy no longer shows the file on disk until it has been stored.
    cache.Valid = false;
    std::string text = cache.Lines.Text();
    std::int64_t lookedAt = NowNanoseconds();
    WriteFileAtomically(fFileName, text);
    cache.Remember(fFileName, StampOf(fFileName), lookedAt, TReadResult::Ok, text);
}

TKvnMemIniFile::TKvnMemIniFile(std::string fileName)
    : TKvnCustomIniFile(std::move(fileName)), fLines(std::make_unique<TKvnIniLines>())
{
    std::string bytes;
    if (ReadFileBytes(fFileName, bytes) == TReadResult::Ok) fLines->Load(bytes);
}

TKvnMemIniFile::~TKvnMemIniFile() = default;

void TKvnMemIniFile::UpdateFile()
{
    WriteFileAtomically(fFileName, fLines->Text());
}

void TKvnMemIniFile::Inspect(const std::function<void(const TKvnIniLines&)>& reader) const
{
    reader(*fLines);
}

void TKvnMemIniFile::Modify(const std::function<bool(TKvnIniLines&)>& writer)
{
    writer(*fLines);
}

namespace {

std::unique_ptr<TKvnIniFile>& GlobalSettings()
{
    static std::unique_ptr<TKvnIniFile> settings;
    return settings;
}

} // namespace

TKvnIniFile& SettingsFile()
{
    std::unique_ptr<TKvnIniFile>& settings = GlobalSettings();
    if (!settings) settings = std::make_unique<TKvnIniFile>(SettingsFilePath(), SettingsSeedFilePath());
    return *settings;
}

void SetSettingsFilePath(const std::string& path)
{
    std::unique_ptr<TKvnIniFile>& settings = GlobalSettings();
    if (settings)
        settings->SetFileName(path);
    else
        settings = std::make_unique<TKvnIniFile>(path);
}

} // namespace kvn
