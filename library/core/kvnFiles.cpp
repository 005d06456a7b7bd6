#include "kvnFiles.h"

#include "kvnEncoding.h"
#include "kvnPaths.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>

namespace fs = std::filesystem;

namespace kvn {

namespace {

constexpr size_t kChunkSize = 8192;

// Zip entries carry the name length in 16 bits, so no name is longer.
constexpr unsigned long kMaxEntryNameLength = 0xFFFF;

// General-purpose flag bit of an entry whose data is password-protected.
constexpr unsigned long kEncryptedFlag = 1;

std::string SystemError(int error)
{
    return std::generic_category().message(error);
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Names compared without regard to letter case, as code points so that "?" stands for one character.
std::u32string Folded(const std::string& text)
{
    return Utf8CodePoints(Utf8Lower(text));
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// The part after the last "/" or "\"; zip files written on Windows sometimes use the latter.
std::string FileNamePart(const std::string& path)
{
    size_t pos = path.find_last_of("/\\");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

// Resolves the entry's path lexically; false when it is absolute or climbs above the folder it is extracted into.
bool SafeRelativePath(const std::string& entryName, std::string& relative)
{
    relative.clear();
    // A zero byte would cut the path short when it reaches the file system.
    if (entryName.empty() || IsSeparator(entryName.front()) || entryName.find('\0') != std::string::npos) {
        return false;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= entryName.size()) {
        size_t end = start;
        while (end < entryName.size() && !IsSeparator(entryName[end]))
            ++end;
        std::string part = entryName.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    if (parts.empty()) return false;
    for (size_t i = 0; i < parts.size(); ++i)
        relative += (i ? "/" : "") + parts[i];
    return true;
}

struct TUnzCloser {
    void operator()(void* archive) const { unzClose(archive); }
};
using TUnzHandle = std::unique_ptr<void, TUnzCloser>;

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

// Copies source into the already opened, private target descriptor; false with errorText set on failure.
bool CopyInto(const std::string& source, int target, std::string& errorText)
{
    TFileHandle in(std::fopen(source.c_str(), "rb"));
    if (!in) {
        errorText = "Can not open file " + Quoted(source) + ": " + SystemError(errno) + " !";
        return false;
    }
    std::vector<char> buffer(64 * 1024);
    size_t count;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
        size_t done = 0;
        while (done < count) {
            ssize_t written = ::write(target, buffer.data() + done, count - done);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                errorText = "Can not write a temporary copy of " + Quoted(source) + ": " + SystemError(errno) + " !";
                return false;
            }
            done += size_t(written);
        }
    }
    if (std::ferror(in.get())) {
        errorText = "Can not read file " + Quoted(source) + " !";
        return false;
    }
    return true;
}

} // namespace

void MaskScramble(uint8_t* block, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        block[i] ^= uint8_t(255 - (i % 256));
}

bool UnscrambleFile(const std::string& path, std::string* errorText)
{
    auto fail = [&](const std::string& text) {
        if (errorText) *errorText = text;
        return false;
    };
    TFileHandle file(std::fopen(path.c_str(), "r+b"));
    if (!file) return fail("Can not open file " + Quoted(path) + ": " + SystemError(errno) + " !");
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return fail("Can not read file " + Quoted(path) + " !");
    long size = std::ftell(file.get());
    if (size < 0) return fail("Can not read file " + Quoted(path) + " !");
    if (uint64_t(size) < kScrambleBlockSize) {
        return fail("Can not open file: the scrambled file is shorter than " + std::to_string(kScrambleBlockSize) +
                    " bytes !");
    }
    // The second block is read after the first was written back, so bytes shared by both blocks of a file shorter
    // than two blocks are masked twice, once for each block position.
    uint8_t block[kScrambleBlockSize];
    for (long offset : {0L, size - long(kScrambleBlockSize)}) {
        if (std::fseek(file.get(), offset, SEEK_SET) != 0 ||
            std::fread(block, 1, sizeof block, file.get()) != sizeof block) {
            return fail("Can not read file " + Quoted(path) + " !");
        }
        MaskScramble(block, sizeof block);
        if (std::fseek(file.get(), offset, SEEK_SET) != 0 ||
            std::fwrite(block, 1, sizeof block, file.get()) != sizeof block) {
            return fail("Can not write file " + Quoted(path) + " !");
        }
    }
    if (std::fflush(file.get()) != 0) return fail("Can not write file " + Quoted(path) + " !");
    return true;
}

bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool IsReadableFile(const std::string& path)
{
    return IsRegularFile(path) && ::access(path.c_str(), R_OK) == 0;
}

bool IsScrambledFile(const std::string& path)
{
    // Opening a named pipe or a device would wait for a writer that may never come.
    if (!IsRegularFile(path)) return false;
    TFileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    unsigned char head[2];
    if (std::fread(head, 1, 2, file.get()) != 2 || head[0] != 0xAF) return false;
    // In a file of one block and one byte the second block starts at offset 1, so its first mask byte (255) lies
    // over the second signature byte as well.
    std::error_code error;
    bool secondBlockAtOne = fs::file_size(path, error) == kScrambleBlockSize + 1 && !error;
    return head[1] == (secondBlockAtOne ? (0xB5 ^ 0xFF) : 0xB5);
}

bool MatchesMask(const std::string& name, const std::string& mask)
{
    const std::u32string text = Folded(name);
    const std::u32string pattern = Folded(mask);
    // Greedy matching that, on a mismatch, lets the most recent "*" swallow one more character.
    size_t t = 0, p = 0;
    size_t starPattern = std::string::npos, starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            starPattern = p++;
            starText = t;
        } else if (starPattern != std::string::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

bool IsContainerFileName(const std::string& path)
{
    std::string name = FileNamePart(path);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    }
    std::string list = kContainerExtensions;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        if (list.compare(start, end - start, extension) == 0) return true;
        start = end + 1;
    }
    return false;
}

namespace {

constexpr const char* kPrivateFolderPrefix = "veltro-";
constexpr const char* kLockFileName = ".lock";

// A lock is taken right after the folder is made; anything younger is left alone so no folder is taken away
// between the two steps.
constexpr auto kNewFolderAge = std::chrono::minutes(1);
// Folders and copies without a lock come from runs that could not take one; after this long they are leftovers.
constexpr auto kUnlockedLeftoverAge = std::chrono::hours(1);

// The folders this process holds, for RemoveOwnedTempFolders.
std::vector<TKvnPrivateFolder*>& OwnedFolders()
{
    static std::vector<TKvnPrivateFolder*> folders;
    return folders;
}

// Takes the lock of a private folder without waiting; the descriptor, or -1 when the file is missing or in use.
int TryLock(const std::string& lockPath, int extraFlags)
{
    int fd = ::open(lockPath.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | extraFlags, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool OlderThan(const struct stat& info, std::chrono::seconds age)
{
    return std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(info.st_mtime) > age;
}

// True when the entry of the temporary directory was made by an earlier run of this user that no process holds.
bool IsStaleLeftover(const std::string& path, const std::string& name)
{
    if (name.size() != std::string(kPrivateFolderPrefix).size() + 6 || name.rfind(kPrivateFolderPrefix, 0) != 0)
        return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || info.st_uid != ::getuid()) return false;
    if (!OlderThan(info, kNewFolderAge)) return false;
    if (S_ISREG(info.st_mode)) return OlderThan(info, kUnlockedLeftoverAge); // an unscrambled copy
    if (!S_ISDIR(info.st_mode)) return false;
    int lock = TryLock(path + "/" + kLockFileName, 0);
    if (lock >= 0) {
        // The lock is released with the descriptor once the folder is gone.
        ::close(lock);
        return true;
    }
    return errno == ENOENT && OlderThan(info, kUnlockedLeftoverAge);
}

} // namespace

TKvnPrivateFolder::~TKvnPrivateFolder()
{
    Remove();
}

bool TKvnPrivateFolder::Create(std::string& errorText)
{
    Remove();
    std::string temp = TempPath();
    if (temp.empty()) {
        errorText = "Can not find the temporary directory !";
        return false;
    }
    std::string pattern = temp + kPrivateFolderPrefix + "XXXXXX";
    // mkdtemp creates the folder with mode 0700, so no other user can place or replace anything inside it.
    if (!::mkdtemp(pattern.data())) {
        errorText = "Can not create a folder in " + Quoted(temp) + ": " + SystemError(errno) + " !";
        return false;
    }
    fLock = TryLock(pattern + "/" + kLockFileName, O_CREAT | O_EXCL);
    if (fLock < 0) {
        errorText = "Can not create a folder in " + Quoted(temp) + ": " + SystemError(errno) + " !";
        std::error_code ignored;
        fs::remove_all(pattern, ignored);
        return false;
    }
    // The owner's process id, for whoever looks into the folder; the lock is what counts.
    std::string owner = std::to_string(::getpid()) + "\n";
    if (::write(fLock, owner.data(), owner.size()) < 0) owner.clear();
    fPath = pattern;
    OwnedFolders().push_back(this);
    return true;
}

void TKvnPrivateFolder::Remove()
{
    if (fPath.empty()) return;
    std::error_code ignored;
    fs::remove_all(fPath, ignored);
    ::close(fLock);
    fLock = -1;
    fPath.clear();
    std::vector<TKvnPrivateFolder*>& owned = OwnedFolders();
    owned.erase(std::remove(owned.begin(), owned.end(), this), owned.end());
}

void RemoveOwnedTempFolders()
{
    // Remove() takes each folder off the list.
    while (!OwnedFolders().empty())
        OwnedFolders().back()->Remove();
}

int RemoveStaleTempFolders()
{
    std::string temp = TempPath();
    std::error_code error;
    std::vector<std::string> stale;
    for (fs::directory_iterator entry(temp, error), end; !error && entry != end; entry.increment(error)) {
        std::string path = entry->path().string();
        if (IsStaleLeftover(path, entry->path().filename().string())) stale.push_back(path);
    }
    int removed = 0;
    for (const std::string& path : stale) {
        std::error_code ignored;
        if (fs::remove_all(path, ignored) > 0) ++removed;
    }
    return removed;
}

TKvnCryptedZipFileReader::TKvnCryptedZipFileReader(const std::string& path, const std::string& folder)
{
    Scrambled = IsScrambledFile(path);
    if (!Scrambled) {
        Archive = path;
        return;
    }
    std::string temp = folder.empty() ? TempPath() : folder + "/";
    if (temp.empty()) {
        Error = "Can not find the temporary directory !";
        return;
    }
    std::string copy = temp + "veltro-XXXXXX";
    // mkstemp opens a new file with mode 0600 that no one else can have prepared under that name.
    int descriptor = ::mkstemp(copy.data());
    if (descriptor < 0) {
        Error = "Can not create a temporary file in " + Quoted(temp) + ": " + SystemError(errno) + " !";
        return;
    }
    bool copied = CopyInto(path, descriptor, Error);
    if (::close(descriptor) != 0 && copied) {
        Error = "Can not write a temporary copy of " + Quoted(path) + " !";
        copied = false;
    }
    if (!copied || !UnscrambleFile(copy, &Error)) {
        ::unlink(copy.c_str());
        return;
    }
    Archive = copy;
    OwnsCopy = true;
}

TKvnCryptedZipFileReader::~TKvnCryptedZipFileReader()
{
    if (OwnsCopy) ::unlink(Archive.c_str());
}

bool TKvnFileList::ListEntries(const std::string& archivePath, const std::string& pattern)
{
    Entries.clear();
    size_t split = pattern.find_last_of('/');
    Target = split == std::string::npos ? "" : pattern.substr(0, split + 1);
    std::string mask = split == std::string::npos ? pattern : pattern.substr(split + 1);
    // "*.*" means every file where masks come from; "*" says the same without asking for a dot.
    if (mask.empty()) mask = "*";

    TUnzHandle archive(unzOpen64(archivePath.c_str()));
    if (!archive) return false;
    for (int status = unzGoToFirstFile(archive.get()); status == UNZ_OK; status = unzGoToNextFile(archive.get())) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        std::string name(std::min(info.size_filename, kMaxEntryNameLength), '\0');
        std::vector<char> buffer(name.size() + 1);
        if (unzGetCurrentFileInfo64(archive.get(), &info, buffer.data(), uLong(buffer.size()), nullptr, 0, nullptr,
                                    0) != UNZ_OK) {
            break;
        }
        name.assign(buffer.data(), name.size());
        if (!MatchesMask(FileNamePart(name), mask)) continue;
        unz64_file_pos position;
        if (unzGetFilePos64(archive.get(), &position) != UNZ_OK) break;
        Entries.push_back({name, info.uncompressed_size, position.pos_in_zip_directory, position.num_of_file});
    }
    return true;
}

std::string TKvnFileList::TargetPath(size_t index) const
{
    std::string relative;
    if (!SafeRelativePath(EntryName(index), relative)) return "";
    return Target + relative;
}

TKvnExtractResult TKvnFileList::Extract(const std::string& archivePath, const TKvnExtractCallback& callback)
{
    Error.clear();
    auto fail = [this](const std::string& text) {
        Error = text;
        return exError;
    };
    TUnzHandle archive(unzOpen64(archivePath.c_str()));
    if (!archive) return fail("Can not open archive " + Quoted(archivePath) + " !");

    std::vector<char> buffer(kChunkSize);
    for (const TEntry& entry : Entries) {
        std::string relative;
        if (!SafeRelativePath(entry.Name, relative)) {
            return fail("Archive entry " + Quoted(entry.Name) +
                        " points outside the extraction folder and is refused !");
        }
        const std::string tooLarge = "Archive entry " + Quoted(entry.Name) + " unpacks to more than " +
                                     std::to_string(MaxEntrySize) + " bytes and is refused !";
        if (entry.Size > MaxEntrySize) return fail(tooLarge);
        if (callback && callback(entry.Name, entry.Size)) return exStopped;

        // The listed position names the very entry that was matched, also when the archive repeats a name.
        unz64_file_pos position{entry.DirectoryOffset, entry.Number};
        unz_file_info64 info;
        std::vector<char> nameBuffer(entry.Name.size() + 1);
        if (unzGoToFilePos64(archive.get(), &position) != UNZ_OK ||
            unzGetCurrentFileInfo64(archive.get(), &info, nameBuffer.data(), uLong(nameBuffer.size()), nullptr, 0,
                                    nullptr, 0) != UNZ_OK ||
            std::string(nameBuffer.data()) != entry.Name) {
            return fail("Archive entry " + Quoted(entry.Name) + " can not be found in " + Quoted(archivePath) + " !");
        }
        if (info.flag & kEncryptedFlag) {
            return fail("Archive entry " + Quoted(entry.Name) + " is password-protected and can not be unpacked !");
        }
        if (info.uncompressed_size > MaxEntrySize) return fail(tooLarge);

        std::string target = Target + relative;
        std::error_code folderError;
        if (IsSeparator(entry.Name.back())) {
            fs::create_directories(target, folderError);
            if (folderError)
                return fail("Can not create folder " + Quoted(target) + ": " + folderError.message() + " !");
            continue;
        }
        fs::create_directories(fs::path(target).parent_path(), folderError);
        if (folderError) {
            return fail("Can not create folder for " + Quoted(target) + ": " + folderError.message() + " !");
        }
        if (unzOpenCurrentFile(archive.get()) != UNZ_OK) {
            return fail("Archive entry " + Quoted(entry.Name) + " is damaged and can not be unpacked !");
        }
        TFileHandle out(std::fopen(target.c_str(), "wb"));
        if (!out) {
            unzCloseCurrentFile(archive.get());
            return fail("Can not create file " + Quoted(target) + ": " + SystemError(errno) + " !");
        }
        std::string problem;
        uint64_t total = 0;
        for (;;) {
            int count = unzReadCurrentFile(archive.get(), buffer.data(), unsigned(buffer.size()));
            if (count == 0) break;
            if (count < 0) {
                problem = "Archive entry " + Quoted(entry.Name) + " is damaged and can not be unpacked !";
                break;
            }
            // The directory's size may lie; what counts is what actually arrives.
            total += uint64_t(count);
            if (total > MaxEntrySize) {
                problem = tooLarge;
                break;
            }
            if (std::fwrite(buffer.data(), 1, size_t(count), out.get()) != size_t(count)) {
                problem = "Can not write file " + Quoted(target) + ": " + SystemError(errno) + " !";
                break;
            }
        }
        // Closing checks the CRC once the whole entry has been read.
        int closeStatus = unzCloseCurrentFile(archive.get());
        if (problem.empty() && closeStatus != UNZ_OK) {
            problem = "Archive entry " + Quoted(entry.Name) + " is damaged and can not be unpacked !";
        }
        if (std::fclose(out.release()) != 0 && problem.empty()) {
            problem = "Can not write file " + Quoted(target) + " !";
        }
        if (!problem.empty()) {
            std::remove(target.c_str());
            return fail(problem);
        }
    }
    return exDone;
}

TKvnContainerExtraction::~TKvnContainerExtraction()
{
    RemoveFolder();
}

void TKvnContainerExtraction::RemoveFolder()
{
    PrivateFolder.Remove();
    ExtractedFile.clear();
}

bool TKvnContainerExtraction::Open(const std::string& containerPath)
{
    RemoveFolder();
    Error.clear();
    Scrambled = false;
    // A missing file goes on to fail as "no archive"; a pipe, device or folder would block or mislead the zip reader.
    std::error_code statusError;
    fs::file_type type = fs::status(containerPath, statusError).type();
    if (type != fs::file_type::not_found && type != fs::file_type::regular) {
        Error = "Can not open file " + Quoted(containerPath) + ": it is not a regular file !";
        return false;
    }

    // Everything, the unscrambled copy included, goes into the private folder, so that whatever a run leaves
    // behind is found and removed by the next one.
    if (!PrivateFolder.Create(Error)) return false;
    TKvnFileList list;
    {
        TKvnCryptedZipFileReader reader(containerPath, PrivateFolder.Path());
        Scrambled = reader.IsScrambled();
        Error = reader.ErrorText();
        if (Error.empty()) {
            list.SetMaxEntrySize(MaxEntrySize);
            list.ListEntries(reader.ArchivePath(), PrivateFolder.Path() + "/*.ovf");
            if (list.Count() != 1) {
                Error = kOneOvfFileError;
            } else if (list.Extract(reader.ArchivePath()) != exDone) {
                Error = list.ErrorText();
            }
        }
    }
    if (!Error.empty()) {
        RemoveFolder();
        return false;
    }
    ExtractedFile = list.TargetPath(0);
    return true;
}

} // namespace kvn
