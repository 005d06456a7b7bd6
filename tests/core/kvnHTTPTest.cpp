#include "kvnHTTP.h"

#include "kvnIniFiles.h"
#include "kvnJobStatus.h"
#include "kvnWinX.h"
#include "testHttpServer.h"
#include "testSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace kvn;
using kvntest::TTempDir;
using kvntest::TTestHttpServer;

namespace {

// Stands in for the status dialog: remembers the lines and reports an abort once AbortWhen says so.
class TFakeStatus : public IKvnJobStatus {
public:
    void SetLine(int index, const std::string& text) override { Lines[index] = text; }
    bool CheckAborted() override
    {
        ++Polls;
        return AbortWhen && AbortWhen();
    }

    std::string Lines[3];
    std::function<bool()> AbortWhen;
    int Polls = 0;
};

// True once the server has received more than count requests.
std::function<bool()> AfterRequests(const TTestHttpServer& server, std::size_t count)
{
    return [&server, count] { return server.Requests().size() > count; };
}

TEST(HTTP_Post, SendsThePartsInOrderOfFirstSettingWithFileNameAndType)
{
    TTempDir dir;
    std::string file = dir.Write("report.err", "line 1\r\nline 2\r\n");
    TTestHttpServer server;
    server.Answer("/upload", 200, "Thank you");

    TKvnHTTP client;
    TFakeStatus status;
    client.SetStatusDialog(&status);
    client.SetField("a", "first");
    client.SetField("Note", "early");
    client.SetFile("f", file);
    client.SetFileContentType("f", "application/octet-stream");
    client.SetField("NOTE", "late");
    // A file part without a content type goes as an empty field.
    client.SetFile("plain", file);
    ASSERT_TRUE(client.Post(server.Url("/upload")));
    EXPECT_EQ(client.Response(), "Thank you");

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].ContentType.rfind("multipart/form-data; boundary=", 0), 0u);
    using TPart = TTestHttpServer::TPart;
    std::vector<TPart> expected = {{"a", "", "", "first"},
                                   {"Note", "", "", "late"},
                                   {"f", "report.err", "application/octet-stream", "line 1\r\nline 2\r\n"},
                                   {"plain", "", "", ""}};
    const std::vector<TPart>& parts = requests[0].Parts;
    ASSERT_EQ(parts.size(), expected.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i].Name, expected[i].Name) << i;
        EXPECT_EQ(parts[i].FileName, expected[i].FileName) << i;
        EXPECT_EQ(parts[i].ContentType, expected[i].ContentType) << i;
        EXPECT_EQ(parts[i].Content, expected[i].Content) << i;
    }

    // The parts are gone after a post: the next one is a plain GET.
    server.Answer("/again", 200, "plain reply");
    ASSERT_TRUE(client.Post(server.Url("/again")));
    EXPECT_EQ(server.Requests().back().Method, "GET");
    EXPECT_EQ(client.Response(), "plain reply");
}

TEST(HTTP_Failures, ErrorStatusRefusedConnectionUnreadableFileAndAbortGiveFalse)
{
    TTempDir dir;
    TTestHttpServer server;
    server.Answer("/broken", 500, "Internal error");
    server.StaySilent("/silent");
    TKvnHTTP client;

    client.SetField("a", "x");
    EXPECT_FALSE(client.Post(server.Url("/broken")));
    EXPECT_FALSE(client.Download(server.Url("/broken"), dir.File("broken.txt")));

    std::string refused = "http://127.0.0.1:" + std::to_string(kvntest::ClosedLoopbackPort()) + "/";
    EXPECT_FALSE(client.Post(refused));
    EXPECT_FALSE(client.Download(refused, dir.File("refused.txt")));

    client.SetFile("f", dir.File("missing.err"));
    client.SetFileContentType("f", "application/octet-stream");
    EXPECT_FALSE(client.Post(server.Url("/broken")));
    EXPECT_EQ(server.Requests().size(), 2u) << "nothing is sent when a file part cannot be read";

    // The server accepts and then says nothing: only the user's abort ends the wait.
    TFakeStatus status;
    client.SetStatusDialog(&status);
    client.SetField("a", "x");
    status.AbortWhen = AfterRequests(server, 2);
    EXPECT_FALSE(client.Post(server.Url("/silent")));
    status.AbortWhen = AfterRequests(server, 3);
    EXPECT_FALSE(client.Download(server.Url("/silent"), dir.File("silent.txt")));
    EXPECT_EQ(server.Requests().size(), 4u);
}

// The application information downloads into a private temporary folder of the test, which must be empty again
// after every call, whether the download worked or not.
class ApplicationInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetApplicationInfo();
        fSavedTemp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        setenv("TMPDIR", fTemp.Path().c_str(), 1);
        SetSettingsFilePath(fSettingsDir.File("veltro.INI"));
        SettingsFile().WriteString("Special", "InfoURL", fServer.Url("/info/applicationInfo.php"));
    }
    void TearDown() override
    {
        ResetApplicationInfo();
        if (fSavedTemp.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", fSavedTemp.c_str(), 1);
    }
    bool TempFolderEmpty() const { return std::filesystem::is_empty(fTemp.Path()); }

    TTempDir fTemp;
    TTempDir fSettingsDir;
    TTestHttpServer fServer;
    std::string fSavedTemp;
};

TEST_F(ApplicationInfo, IsFetchedOncePerRunAndAgainAfterAFailure)
{
    fServer.Answer("/info/applicationInfo.php", 503, "busy");
    EXPECT_EQ(GetApplicationInfo(nullptr), nullptr);
    EXPECT_TRUE(TempFolderEmpty());

    fServer.StaySilent("/info/applicationInfo.php");
    TFakeStatus status;
    status.AbortWhen = AfterRequests(fServer, 1);
    EXPECT_EQ(GetApplicationInfo(&status), nullptr);
    EXPECT_TRUE(TempFolderEmpty());

    fServer.Answer("/info/applicationInfo.php", 200, "[General]\r\nerrorURL=http://127.0.0.1/report.php\r\n");
    TKvnMemIniFile* info = GetApplicationInfo(nullptr);
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(TempFolderEmpty());
    EXPECT_EQ(info->ReadString("General", "errorURL", ""), "http://127.0.0.1/report.php");
    EXPECT_EQ(GetApplicationInfo(nullptr), info);

    auto requests = fServer.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const TKvnSystemX& program = GetSystemInfo();
    EXPECT_EQ(requests.back().Query, "mode=new&id=0&app=" + program.InternalName() + "&ver=" + program.Version());
}

TEST_F(ApplicationInfo, WithoutGeneralSectionHasAnEmptyErrorURL)
{
    fServer.Answer("/info/applicationInfo.php", 200, "[Other]\r\nerrorURL=http://elsewhere/\r\n");
    TKvnMemIniFile* info = GetApplicationInfo(nullptr);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->ReadString("General", "errorURL", ""), "");
    EXPECT_TRUE(TempFolderEmpty());
}

} // namespace
