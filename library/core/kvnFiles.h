#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvn {

// Largest size one archive entry may unpack to unless a caller chooses another limit.
inline constexpr uint64_t kDefaultMaxEntrySize = uint64_t(1) << 30;

// Size of each of the two masked blocks of a scrambled container.
inline constexpr size_t kScrambleBlockSize = 1024;

// The document error line for a container that does not hold exactly one exchange-format file.
inline constexpr const char* kOneOvfFileError = ".OVZ File should contain one .OVF - file !";

// Extensions, lower-case and ";"-separated, that mark a file as a zip container.
inline constexpr const char* kContainerExtensions = ".twf;.ovz;.zip;.ovb;.kvt";

// XOR-masks n bytes that start at block position 0 (byte i with 255 - i mod 256); masking twice restores them.
void MaskScramble(uint8_t* block, size_t n);

// Masks in place the 1024-byte block at offset 0 and then the one ending at the file's end; false with errorText
// set when the file is shorter than one block or cannot be read or written.
bool UnscrambleFile(const std::string& path, std::string* errorText = nullptr);

// True when path names a regular file (following symbolic links); pipes, devices and folders are not.
bool IsRegularFile(const std::string& path);

// True when path names a regular file that this user may read.
bool IsReadableFile(const std::string& path);

// True when the regular file is at least 2 bytes long and starts with the masked zip signature: 0xAF 0xB5, or
// 0xAF 0x4A in a file of 1025 bytes, whose second masked block begins at the signature's second byte.
bool IsScrambledFile(const std::string& path);

// True when name matches mask, case-insensitively, where "*" stands for any run of characters and "?" for one.
bool MatchesMask(const std::string& name, const std::string& mask);

// True when the lower-cased extension of path's file name is exactly one of the container extensions.
bool IsContainerFileName(const std::string& path);

// A new folder under the temporary directory, readable only by this user and locked for as long as this object (and
// so the process) holds it; removed with its content on destruction, or by RemoveOwnedTempFolders.
class TKvnPrivateFolder {
public:
    TKvnPrivateFolder() = default;
    ~TKvnPrivateFolder();

    TKvnPrivateFolder(const TKvnPrivateFolder&) = delete;
    TKvnPrivateFolder& operator=(const TKvnPrivateFolder&) = delete;

    // Removes the folder made before, if any, and creates a new one; false with errorText set on failure.
    bool Create(std::string& errorText);
    // Removes the folder and everything in it.
    void Remove();
    // The folder, without a trailing "/", or "" when none exists.
    const std::string& Path() const { return fPath; }

private:
    std::string fPath;
    int fLock = -1;
};

// Removes every private folder this process holds now, with the files extracted into it; for the end on a
// termination signal, called from the event loop once the signal has arrived.
void RemoveOwnedTempFolders();

// Removes what earlier runs of this user left in the temporary directory: private folders whose lock no running
// process holds, and folders and copies without a lock that are older than an hour. Returns how many it removed.
int RemoveStaleTempFolders();

// A container file as the zip reader must see it: the file itself, or an unscrambled private copy of it.
class TKvnCryptedZipFileReader {
public:
    // Runs the signature test and, for a scrambled file, makes and unscrambles the private copy in folder (the
    // temporary directory when it is "").
    explicit TKvnCryptedZipFileReader(const std::string& path, const std::string& folder = "");
    // Deletes the unscrambled copy, if one was made.
    ~TKvnCryptedZipFileReader();

    TKvnCryptedZipFileReader(const TKvnCryptedZipFileReader&) = delete;
    TKvnCryptedZipFileReader& operator=(const TKvnCryptedZipFileReader&) = delete;

    // True when the file carried the scrambled signature.
    bool IsScrambled() const { return Scrambled; }
    // The path to hand to the zip reader; "" when the copy could not be made.
    const std::string& ArchivePath() const { return Archive; }
    // Why the archive cannot be used, or "" when it can.
    const std::string& ErrorText() const { return Error; }

private:
    bool Scrambled = false;
    bool OwnsCopy = false;
    std::string Archive;
    std::string Error;
};

// Outcome of TKvnFileList::Extract.
enum TKvnExtractResult { exDone = 0, exStopped = 1, exError = 2 };

// Receives an entry's name and uncompressed size before it is written; returning true stops the extraction.
using TKvnExtractCallback = std::function<bool(const std::string& entryName, uint64_t size)>;

// The archive entries whose file name matches a mask, and their extraction into one target folder.
class TKvnFileList {
public:
    // Lists the entries of the archive whose file name matches the file-name part of pattern ("*" when empty);
    // the folder part of pattern becomes the target folder; false (empty list) when the archive cannot be opened.
    bool ListEntries(const std::string& archivePath, const std::string& pattern);

    // Number of listed entries.
    size_t Count() const { return Entries.size(); }
    // The listed entry's path inside the archive.
    const std::string& EntryName(size_t index) const { return Entries.at(index).Name; }
    // The listed entry's uncompressed size as the archive's directory states it.
    uint64_t EntrySize(size_t index) const { return Entries.at(index).Size; }
    // The folder the entries are extracted into, with a trailing "/" unless it is "".
    const std::string& TargetDirectory() const { return Target; }
    // Where the entry is written, or "" when its path would leave the target folder.
    std::string TargetPath(size_t index) const;

    // Largest number of bytes one entry may unpack to; larger entries are refused.
    void SetMaxEntrySize(uint64_t bytes) { MaxEntrySize = bytes; }

    // Writes every listed entry below the target folder, creating missing folders; exError leaves ErrorText set.
    TKvnExtractResult Extract(const std::string& archivePath, const TKvnExtractCallback& callback = {});
    // Why the last extraction failed, or "".
    const std::string& ErrorText() const { return Error; }

private:
    struct TEntry {
        std::string Name;
        uint64_t Size = 0;
        uint64_t DirectoryOffset = 0;
        uint64_t Number = 0;
    };

    std::vector<TEntry> Entries;
    std::string Target;
    std::string Error;
    uint64_t MaxEntrySize = kDefaultMaxEntrySize;
};

// The single exchange-format file of a container, unpacked into a private temporary folder that is removed
// (with its content) when this object is destroyed.
class TKvnContainerExtraction {
public:
    // Prepares an extraction that refuses entries unpacking to more than maxEntrySize bytes.
    explicit TKvnContainerExtraction(uint64_t maxEntrySize = kDefaultMaxEntrySize) : MaxEntrySize(maxEntrySize) {}
    // Removes the private folder and everything in it.
    ~TKvnContainerExtraction();

    TKvnContainerExtraction(const TKvnContainerExtraction&) = delete;
    TKvnContainerExtraction& operator=(const TKvnContainerExtraction&) = delete;

    // Changes the size limit for the next Open.
    void SetMaxEntrySize(uint64_t bytes) { MaxEntrySize = bytes; }

    // Unpacks the container; false with ErrorText() set (the document's error line) when it cannot.
    bool Open(const std::string& containerPath);
    // Path of the extracted exchange-format file, or "" before a successful Open.
    const std::string& FilePath() const { return ExtractedFile; }
    // True when the container was scrambled.
    bool IsScrambled() const { return Scrambled; }
    // The document error line of the last failed Open, or "".
    const std::string& ErrorText() const { return Error; }
    // The private folder of the last Open, or "" when none exists.
    const std::string& Folder() const { return PrivateFolder.Path(); }

private:
    void RemoveFolder();

    uint64_t MaxEntrySize;
    bool Scrambled = false;
    TKvnPrivateFolder PrivateFolder;
    std::string ExtractedFile;
    std::string Error;
};

} // namespace kvn
