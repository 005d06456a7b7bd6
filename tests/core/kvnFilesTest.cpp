#include "kvnFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

namespace fs = std::filesystem;
using namespace kvn;

namespace {

// A fresh folder that TMPDIR points to while the test runs, so everything the code puts into "the temporary
// directory" can be seen and checked for leftovers.
class TScopedTempDir {
public:
    TScopedTempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "kvnfiles-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) Path = pattern;
        const char* old = std::getenv("TMPDIR");
        if (old) OldTmpDir = old;
        ::setenv("TMPDIR", (Path + "/tmp").c_str(), 1);
        fs::create_directories(Temp());
    }
    ~TScopedTempDir()
    {
        if (OldTmpDir) {
            ::setenv("TMPDIR", OldTmpDir->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
    // The folder TMPDIR names.
    std::string Temp() const { return Path + "/tmp"; }
    // A folder beside it, for the test's own input files.
    std::string Input() const
    {
        fs::create_directories(Path + "/in");
        return Path + "/in";
    }
    bool TempIsEmpty() const { return fs::is_empty(Temp()); }

private:
    std::string Path;
    std::optional<std::string> OldTmpDir;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary) << data;
}

// Writes a deflated zip archive holding the given (name, content) entries.
void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, content] : entries) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                        Z_DEFAULT_COMPRESSION, 0),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, content.data(), unsigned(content.size())), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

// Writes a zip with one stored entry whose directory claims declaredSize bytes whatever the content holds.
void WriteZipWithFalseSize(const std::string& path, const std::string& name, const std::string& content,
                           uint64_t declaredSize)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    zip_fileinfo info{};
    ASSERT_EQ(zipOpenNewFileInZip2(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 1), ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(zip, content.data(), unsigned(content.size())), ZIP_OK);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(content.data()), uInt(content.size()));
    ASSERT_EQ(zipCloseFileInZipRaw64(zip, declaredSize, crc), ZIP_OK);
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

// Scrambles by the rule written out per file position, independently of the code under test.
std::string Scrambled(std::string data)
{
    const size_t size = data.size();
    EXPECT_GE(size, 1024u) << "the test must build a file that can be scrambled";
    for (size_t p = 0; p < size; ++p) {
        unsigned mask = 0;
        if (p < 1024) mask ^= 255 - p % 256;
        if (p + 1024 >= size) mask ^= 255 - (p - (size - 1024)) % 256;
        data[p] = char(uint8_t(data[p]) ^ mask);
    }
    return data;
}

// Incompressible filler, so archives reach the sizes a test needs.
std::string Noise(size_t n)
{
    std::string text(n, '\0');
    uint32_t state = 12345;
    for (char& c : text) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 24);
    }
    return text;
}

const std::string kMeet = "<?xml version=\"1.0\"?>\n<ORVIDA version=\"3.0\"><MEETS/></ORVIDA>\n";

// Writes a zip holding meet.ovf and an incompressible padding entry sized so the archive has exactly size bytes.
void WriteZipOfSize(const std::string& path, size_t size)
{
    size_t padding = size / 2;
    for (int attempt = 0; attempt < 20; ++attempt) {
        fs::remove(path);
        WriteZip(path, {{"meet.ovf", kMeet}, {"padding.bin", Noise(padding)}});
        size_t written = size_t(fs::file_size(path));
        if (written == size) return;
        padding = padding + size - written;
    }
    FAIL() << "no padding gives a zip of " << size << " bytes";
}

} // namespace

TEST(KvnFilesMask, ScrambleMaskIsItsOwnInverseAndHidesTheZipSignature)
{
    uint8_t signature[2] = {'P', 'K'};
    MaskScramble(signature, 2);
    EXPECT_EQ(signature[0], 0xAF);
    EXPECT_EQ(signature[1], 0xB5);

    std::vector<uint8_t> buffer(4096);
    for (size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = uint8_t(i * 7 + 3);
    std::vector<uint8_t> original = buffer;
    MaskScramble(buffer.data(), buffer.size());
    EXPECT_EQ(buffer[256], uint8_t(original[256] ^ 255)) << "the mask repeats every 256 bytes";
    MaskScramble(buffer.data(), buffer.size());
    EXPECT_EQ(buffer, original);
}

TEST(KvnFilesMask, MatchesMaskIgnoresCaseAndHonoursWildcards)
{
    EXPECT_TRUE(MatchesMask("b.OVF", "*.ovf"));
    EXPECT_TRUE(MatchesMask("meet.ovf", "m??t.*"));
    EXPECT_TRUE(MatchesMask("ÄRGER.OVF", "ärger.ovf"));
    EXPECT_TRUE(MatchesMask("ЗАПЛЫВ.ovf", "заплыв.*"));
    EXPECT_TRUE(MatchesMask("a.b.ovf", "*.ovf"));
    EXPECT_FALSE(MatchesMask("meet.ovf.bak", "*.ovf"));
    EXPECT_FALSE(MatchesMask("meet.ov", "*.ovf"));
    EXPECT_FALSE(MatchesMask("meet.ovf", "?.ovf"));
    EXPECT_FALSE(MatchesMask(".ovfx", "*.ovf"));
    EXPECT_TRUE(MatchesMask("\xff\xfe.ovf", "??.ovf")) << "bytes that are not UTF-8 still count one each";
}

TEST(KvnFilesMask, ContainerExtensionsMatchExactlyAfterLowerCasing)
{
    for (const char* name : {"meet.ovz", "MEET.OVZ", "a/b.Zip", "x.twf", "x.ovb", "x.kvt"}) {
        EXPECT_TRUE(IsContainerFileName(name)) << name;
    }
    // ".tw", ".z" and ".ovz;" appear inside the extension list text but are not extensions of it.
    for (const char* name : {"meet.ovf", "meet.tw", "meet.z", "meet.ovz;", "archive.zip/meet", "zip", "meet.ovz.ovf"}) {
        EXPECT_FALSE(IsContainerFileName(name)) << name;
    }
}

TEST(KvnFilesScramble, OverlappingBlocksOfAShortFileAreMaskedTwice)
{
    TScopedTempDir dir;
    const std::string path = dir.Input() + "/short.bin";
    const std::string plain = Noise(1500);
    const std::string scrambled = Scrambled(plain);
    // Byte 500 lies in both blocks, at position 500 of the first and 24 of the second.
    EXPECT_EQ(uint8_t(scrambled[500]), uint8_t(plain[500]) ^ (255 - 500 % 256) ^ (255 - 24));
    WriteFile(path, scrambled);
    std::string error;
    ASSERT_TRUE(UnscrambleFile(path, &error)) << error;
    EXPECT_EQ(ReadFile(path), plain);
}

TEST(KvnFilesScramble, ReaderKeepsAPlainZipAndUnscramblesAPrivateCopy)
{
    TScopedTempDir dir;
    const std::string plainZip = dir.Input() + "/plain.zip";
    WriteZip(plainZip, {{"meet.ovf", kMeet}, {"padding.bin", Noise(2000)}});
    {
        TKvnCryptedZipFileReader reader(plainZip);
        EXPECT_FALSE(reader.IsScrambled());
        EXPECT_EQ(reader.ArchivePath(), plainZip);
    }
    EXPECT_TRUE(fs::exists(plainZip)) << "the caller's plain archive is never deleted";

    const std::string scrambledZip = dir.Input() + "/meet.ovz";
    WriteFile(scrambledZip, Scrambled(ReadFile(plainZip)));
    std::string copy;
    {
        TKvnCryptedZipFileReader reader(scrambledZip);
        EXPECT_TRUE(reader.IsScrambled());
        EXPECT_TRUE(reader.ErrorText().empty()) << reader.ErrorText();
        copy = reader.ArchivePath();
        EXPECT_EQ(fs::path(copy).parent_path(), fs::path(dir.Temp()));
        EXPECT_EQ(ReadFile(copy), ReadFile(plainZip));
        struct stat info;
        ASSERT_EQ(::stat(copy.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(dir.TempIsEmpty());
    EXPECT_FALSE(TKvnCryptedZipFileReader(dir.Input() + "/missing.ovz").IsScrambled());
}

TEST(KvnFilesList, ListsMatchingEntriesAndStopsWhenTheCallbackAsks)
{
    TScopedTempDir dir;
    const std::string zip = dir.Input() + "/mixed.zip";
    WriteZip(zip, {{"readme.txt", "hello"}, {"results/meet.OVF", kMeet}, {"old/meet.ovf.bak", "x"}});
    TKvnFileList list;
    ASSERT_TRUE(list.ListEntries(zip, dir.Temp() + "/*.ovf"));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.EntryName(0), "results/meet.OVF");
    EXPECT_EQ(list.EntrySize(0), kMeet.size());
    EXPECT_EQ(list.TargetDirectory(), dir.Temp() + "/");

    std::string seen;
    EXPECT_EQ(list.Extract(zip,
                           [&](const std::string& name, uint64_t) {
                               seen = name;
                               return true;
                           }),
              exStopped);
    EXPECT_EQ(seen, "results/meet.OVF");
    EXPECT_TRUE(dir.TempIsEmpty());

    EXPECT_EQ(list.Extract(zip), exDone);
    EXPECT_EQ(ReadFile(dir.Temp() + "/results/meet.OVF"), kMeet);

    EXPECT_FALSE(list.ListEntries(dir.Input() + "/missing.zip", dir.Temp() + "/*.ovf"));
    EXPECT_EQ(list.Count(), 0u);
}

TEST(KvnFilesContainer, SingleEntryInAFolderIsExtractedPrivatelyAndRemovedAfterwards)
{
    TScopedTempDir dir;
    const std::string zip = dir.Input() + "/meet.ovz";
    WriteZip(zip, {{"results/meet.ovf", kMeet}, {"results/notes.txt", "not taken"}});
    std::string folder;
    {
        TKvnContainerExtraction extraction;
        ASSERT_TRUE(extraction.Open(zip)) << extraction.ErrorText();
        EXPECT_FALSE(extraction.IsScrambled());
        folder = extraction.Folder();
        EXPECT_EQ(fs::path(folder).parent_path(), fs::path(dir.Temp()));
        EXPECT_EQ(extraction.FilePath(), folder + "/results/meet.ovf");
        EXPECT_EQ(ReadFile(extraction.FilePath()), kMeet);
        EXPECT_FALSE(fs::exists(folder + "/results/notes.txt"));
        struct stat info;
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);

        // Opening again starts over in a new folder; the earlier one does not linger.
        ASSERT_TRUE(extraction.Open(zip));
        EXPECT_NE(extraction.Folder(), folder);
        EXPECT_FALSE(fs::exists(folder));
        folder = extraction.Folder();
    }
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(dir.TempIsEmpty());
}

TEST(KvnFilesContainer, AnythingButExactlyOneOvfEntryIsRefused)
{
    TScopedTempDir dir;
    const std::string two = dir.Input() + "/two.zip";
    const std::string none = dir.Input() + "/none.zip";
    const std::string notZip = dir.Input() + "/text.ovz";
    WriteZip(two, {{"a.ovf", kMeet}, {"b.OVF", kMeet}});
    WriteZip(none, {{"meet.xml", kMeet}});
    WriteFile(notZip, kMeet);
    for (const std::string& path : {two, none, notZip, dir.Input() + "/missing.ovz"}) {
        TKvnContainerExtraction extraction;
        EXPECT_FALSE(extraction.Open(path)) << path;
        EXPECT_EQ(extraction.ErrorText(), kOneOvfFileError) << path;
        EXPECT_TRUE(extraction.FilePath().empty());
        EXPECT_TRUE(dir.TempIsEmpty()) << path;
    }
}

TEST(KvnFilesContainer, ScrambledZipsAcrossTheBlockOverlapRoundTrip)
{
    TScopedTempDir dir;
    // Padding entries bring the archives to 1500 bytes (overlapping blocks), 2048 (touching) and more (apart).
    for (size_t padding : {size_t(1233), size_t(1781), size_t(5000)}) {
        const std::string plainZip = dir.Input() + "/plain.zip";
        const std::string scrambledZip = dir.Input() + "/meet.twf";
        fs::remove(plainZip);
        WriteZip(plainZip, {{"meet.ovf", kMeet}, {"padding.bin", Noise(padding)}});
        WriteFile(scrambledZip, Scrambled(ReadFile(plainZip)));
        TKvnContainerExtraction extraction;
        ASSERT_TRUE(extraction.Open(scrambledZip)) << padding << ": " << extraction.ErrorText();
        EXPECT_TRUE(extraction.IsScrambled());
        EXPECT_EQ(ReadFile(extraction.FilePath()), kMeet);
        // Only the extraction folder remains; the unscrambled copy is gone once the entry is out.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Temp()), fs::directory_iterator()), 1);
    }
    // At 1025 bytes the second block begins at offset 1 and masks the second signature byte once more.
    const std::string plainZip = dir.Input() + "/plain.zip";
    const std::string scrambledZip = dir.Input() + "/meet1025.twf";
    WriteZipOfSize(plainZip, 1025);
    WriteFile(scrambledZip, Scrambled(ReadFile(plainZip)));
    for (const std::string& path : {plainZip, scrambledZip}) {
        TKvnContainerExtraction extraction;
        ASSERT_TRUE(extraction.Open(path)) << path << ": " << extraction.ErrorText();
        EXPECT_EQ(extraction.IsScrambled(), path == scrambledZip);
        EXPECT_EQ(ReadFile(extraction.FilePath()), kMeet);
    }
    EXPECT_TRUE(dir.TempIsEmpty());
}

TEST(KvnFilesContainer, NamedPipeOrFolderIsRefusedWithoutWaitingForAWriter)
{
    TScopedTempDir dir;
    const std::string pipe = dir.Input() + "/meet.ovz";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Should the pipe be opened after all, a writer that keeps opening and closing it lets the test fail instead of
    // hanging.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done) {
            int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const std::string folder = dir.Input() + "/folder.ovz";
    fs::create_directories(folder);
    for (const std::string& path : {pipe, folder}) {
        TKvnContainerExtraction extraction;
        EXPECT_FALSE(extraction.Open(path));
        EXPECT_EQ(extraction.ErrorText().rfind("Can not open file", 0), 0u) << extraction.ErrorText();
        EXPECT_FALSE(IsScrambledFile(path));
    }
    done = true;
    writer.join();
    EXPECT_TRUE(dir.TempIsEmpty());
}

TEST(KvnFilesContainer, ScrambledFileTooShortToUnscrambleIsADocumentError)
{
    TScopedTempDir dir;
    const std::string path = dir.Input() + "/short.ovz";
    WriteFile(path, std::string("\xAF\xB5", 2) + Noise(900));
    TKvnContainerExtraction extraction;
    EXPECT_FALSE(extraction.Open(path));
    EXPECT_TRUE(extraction.IsScrambled());
    EXPECT_NE(extraction.ErrorText().find("Can not open file"), std::string::npos) << extraction.ErrorText();
    EXPECT_TRUE(dir.TempIsEmpty()) << "the temporary copy is removed";
}

TEST(KvnFilesContainer, EntriesLeavingTheFolderAreRefusedAndWriteNothingOutside)
{
    TScopedTempDir dir;
    const std::string outside = dir.Input() + "/evil.ovf";
    const std::string zip = dir.Input() + "/evil.zip";
    for (const std::string& name : {std::string("../evil.ovf"), std::string("results/../../evil.ovf"),
                                    std::string("..\\evil.ovf"), outside, std::string("\\evil.ovf")}) {
        fs::remove(zip);
        WriteZip(zip, {{name, kMeet}});
        TKvnContainerExtraction extraction;
        EXPECT_FALSE(extraction.Open(zip)) << name;
        EXPECT_NE(extraction.ErrorText().find("outside"), std::string::npos) << extraction.ErrorText();
        EXPECT_FALSE(fs::exists(outside)) << name;
        EXPECT_FALSE(fs::exists(dir.Temp() + "/../evil.ovf")) << name;
        EXPECT_TRUE(dir.TempIsEmpty()) << name;
    }

    // A ".." that stays inside the folder is harmless and resolved.
    fs::remove(zip);
    WriteZip(zip, {{"results/../meet.ovf", kMeet}});
    TKvnContainerExtraction extraction;
    ASSERT_TRUE(extraction.Open(zip)) << extraction.ErrorText();
    EXPECT_EQ(extraction.FilePath(), extraction.Folder() + "/meet.ovf");
    EXPECT_EQ(ReadFile(extraction.FilePath()), kMeet);
}

TEST(KvnFilesContainer, OversizeEntriesAreRefusedAlsoWhenTheDirectoryUnderstatesThem)
{
    TScopedTempDir dir;
    const std::string zip = dir.Input() + "/big.zip";
    WriteZip(zip, {{"meet.ovf", std::string(5000, 'x')}});
    TKvnContainerExtraction extraction(1000);
    EXPECT_FALSE(extraction.Open(zip));
    EXPECT_NE(extraction.ErrorText().find("more than 1000 bytes"), std::string::npos) << extraction.ErrorText();
    EXPECT_TRUE(dir.TempIsEmpty());

    {
        TKvnContainerExtraction exact(1000);
        exact.SetMaxEntrySize(5000);
        EXPECT_TRUE(exact.Open(zip)) << "the limit itself is allowed: " << exact.ErrorText();
    }

    const std::string lying = dir.Input() + "/lying.zip";
    WriteZipWithFalseSize(lying, "meet.ovf", std::string(5000, 'x'), 10);
    TKvnContainerExtraction understated(1000);
    EXPECT_FALSE(understated.Open(lying));
    EXPECT_FALSE(understated.ErrorText().empty());
    EXPECT_TRUE(dir.TempIsEmpty());
}

namespace {

// Dates the entry back by the given time, as if an earlier run had left it.
void Age(const std::string& path, std::chrono::seconds age)
{
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

} // namespace

TEST(KvnFilesContainer, LeftoversOfEndedRunsAreRemovedAtStartAndLiveOnesKept)
{
    TScopedTempDir dir;
    const std::string zip = dir.Input() + "/meet.ovz";
    WriteZip(zip, {{"meet.ovf", kMeet}});
    // A run that is killed while its file is extracted leaves the folder behind.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TKvnContainerExtraction extraction;
        if (extraction.Open(zip)) ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(std::distance(fs::directory_iterator(dir.Temp()), fs::directory_iterator()), 1);
    const std::string killed = fs::directory_iterator(dir.Temp())->path().string();
    EXPECT_TRUE(fs::exists(killed + "/meet.ovf"));

    TKvnContainerExtraction live;
    ASSERT_TRUE(live.Open(zip));
    const std::string unlockedOld = dir.Temp() + "/veltro-OldOne";
    const std::string unlockedNew = dir.Temp() + "/veltro-NewOne";
    const std::string otherName = dir.Temp() + "/another-Folder";
    for (const std::string& folder : {unlockedOld, unlockedNew, otherName})
        fs::create_directories(folder);
    for (const std::string& path : {killed, live.Folder(), unlockedNew, otherName})
        Age(path, std::chrono::minutes(5));
    Age(unlockedOld, std::chrono::hours(2));

    EXPECT_EQ(RemoveStaleTempFolders(), 2);
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_FALSE(fs::exists(unlockedOld));
    EXPECT_EQ(ReadFile(live.FilePath()), kMeet) << "a folder in use stays";
    EXPECT_TRUE(fs::exists(unlockedNew));
    EXPECT_TRUE(fs::exists(otherName));
}

TEST(KvnFilesContainer, OwnedFoldersCanBeRemovedWhileTheirExtractionsLive)
{
    TScopedTempDir dir;
    const std::string zip = dir.Input() + "/meet.ovz";
    WriteZip(zip, {{"meet.ovf", kMeet}});
    {
        TKvnContainerExtraction first;
        TKvnContainerExtraction second;
        ASSERT_TRUE(first.Open(zip));
        ASSERT_TRUE(second.Open(zip));
        RemoveOwnedTempFolders();
        EXPECT_TRUE(dir.TempIsEmpty());
        EXPECT_TRUE(first.Folder().empty());
        EXPECT_TRUE(second.Folder().empty());
        // The extraction still works afterwards.
        ASSERT_TRUE(first.Open(zip));
    }
    EXPECT_TRUE(dir.TempIsEmpty());
}
