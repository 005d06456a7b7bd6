#include "kvnShell.h"
#include "kvnRtfView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QThread>

#include <optional>

using namespace kvn;

namespace {

std::string ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void WriteText(const QString& path, const std::string& text, bool executable = false)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.c_str());
    file.close();
    if (executable) file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// Sets an environment variable for one scope and puts back what was there before.
class TScopedEnv {
public:
    TScopedEnv(const char* name, std::optional<QByteArray> value) : fName(name)
    {
        if (qEnvironmentVariableIsSet(name)) fSaved = qgetenv(name);
        Set(value);
    }
    ~TScopedEnv() { Set(fSaved); }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    void Set(const std::optional<QByteArray>& value) { value ? qputenv(fName, *value) : qunsetenv(fName); }
    const char* fName;
    std::optional<QByteArray> fSaved;
};

// Runs each registration with the user's folders and the tool search path inside a temporary folder, so that no
// test touches the real desktop and no real database tool runs unless a test asks for it.
class ShellRegistration : public ::testing::Test {
protected:
    QString Data(const QString& name) const { return fDir.path() + "/data/" + name; }
    void AddTool(const QString& name, const std::string& body)
    {
        QDir(fDir.path()).mkpath("bin");
        WriteText(fDir.path() + "/bin/" + name, "#!/bin/sh\n" + body, true);
    }
    bool Register(const std::string& className = "Veltro", const std::string& program = "/opt/veltro/veltro",
                  const std::string& description = "KORVAN File")
    {
        return RegisterFileExtensions(className, program, description, fReason);
    }
    int FilesWritten() const
    {
        int count = 0;
        for (QDirIterator it(fDir.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
            ++count;
        return count;
    }

    QTemporaryDir fDir;
    QByteArray fOriginalPath = qgetenv("PATH");
    TScopedEnv fDataHome{"XDG_DATA_HOME", (fDir.path() + "/data").toUtf8()};
    TScopedEnv fHome{"HOME", (fDir.path() + "/home").toUtf8()};
    TScopedEnv fPath{"PATH", (fDir.path() + "/bin").toUtf8()};
    std::string fReason;
};

} // namespace

TEST_F(ShellRegistration, WritesMimeTypesAndDesktopEntryIntoTheDataFolder)
{
    ASSERT_TRUE(Register("Veltro", "/opt/veltro/veltro", "KORVAN <File> & more")) << fReason;
    std::string mime = ReadText(Data("mime/packages/veltro.xml"));
    for (const char* part :
         {"<mime-type type=\"application/x-veltro-ovf\">", "<glob pattern=\"*.ovf\"/>",
          "<mime-type type=\"application/x-veltro-ovz\">", "<glob pattern=\"*.ovz\"/>", "<glob pattern=\"*.twf\"/>",
          "<icon name=\"veltro\"/>", "<comment>KORVAN &lt;File&gt; &amp; more</comment>"})
        EXPECT_NE(mime.find(part), std::string::npos) << part << " not in\n" << mime;
    std::string desktop = ReadText(Data("applications/veltro.desktop"));
    for (const char* line : {"[Desktop Entry]\n", "\nExec=\"/opt/veltro/veltro\" %f\n", "\nIcon=veltro\n",
                             "\nMimeType=application/x-veltro-ovf;application/x-veltro-ovz;application/x-veltro-ovb;"
                             "application/x-veltro-kvt;application/x-veltro-twf;\n"})
        EXPECT_NE(desktop.find(line), std::string::npos) << line << " not in\n" << desktop;

    // Registering again replaces the files instead of adding to them.
    ASSERT_TRUE(Register()) << fReason;
    EXPECT_EQ(ReadText(Data("applications/veltro.desktop")), desktop);
    // The program icon in every size of the theme folders, as the desktop entry and the file types name it.
    QImage icon(Data("icons/hicolor/48x48/apps/veltro.png"));
    EXPECT_EQ(icon.size(), QSize(48, 48));
    EXPECT_EQ(QImage(Data("icons/hicolor/256x256/apps/veltro.png")).size(), QSize(256, 256));
    EXPECT_EQ(FilesWritten(), 2 + 8);
}

TEST_F(ShellRegistration, ExecKeepsUnusualProgramPathsIntact)
{
    ASSERT_TRUE(Register("Veltro", "/opt/my apps/a\"b$c`d%e\\f")) << fReason;
    EXPECT_NE(ReadText(Data("applications/veltro.desktop"))
                  .find("\nExec=\"/opt/my apps/a\\\\\"b\\\\$c\\\\`d%%e\\\\\\\\f\" %f\n"),
              std::string::npos);
}

TEST_F(ShellRegistration, RefreshesTheDatabasesAndReportsAFailingTool)
{
    const std::string log = (fDir.path() + "/tools.log").toStdString();
    AddTool("update-mime-database", "printf 'mime %s\\n' \"$@\" >> '" + log + "'\n");
    AddTool("update-desktop-database", "printf 'desktop %s\\n' \"$@\" >> '" + log + "'\n");
    ASSERT_TRUE(Register()) << fReason;
    EXPECT_EQ(ReadText(QString::fromStdString(log)),
              "mime " + Data("mime").toStdString() + "\ndesktop " + Data("applications").toStdString() + "\n");

    AddTool("update-mime-database", "printf 'cache is broken\\n' >&2\nexit 3\n");
    EXPECT_FALSE(Register());
    EXPECT_NE(fReason.find("update-mime-database failed (exit code 3): cache is broken"), std::string::npos) << fReason;
}

TEST_F(ShellRegistration, RefusesWhatWouldWriteOutsideTheDataFolder)
{
    for (const char* name : {"../evil", "a/b", "", ".hidden", "Vel tro", "Veltro\n"})
        EXPECT_FALSE(Register(name)) << name;
    EXPECT_FALSE(Register("Veltro", "relative/veltro"));
    EXPECT_FALSE(Register("Veltro", "/opt/vel\ntro"));
    EXPECT_FALSE(Register("Veltro", "/opt/veltro", "two\nlines"));
    EXPECT_FALSE(fReason.empty());
    EXPECT_EQ(FilesWritten(), 0);

    WriteText(fDir.path() + "/plainfile", "x");
    TScopedEnv blocked("XDG_DATA_HOME", (fDir.path() + "/plainfile/data").toUtf8());
    EXPECT_FALSE(Register());
    EXPECT_NE(fReason.find("plainfile"), std::string::npos) << fReason;
}

TEST_F(ShellRegistration, DataFolderFollowsTheBaseDirectoryRules)
{
    {
        // A relative XDG_DATA_HOME is to be ignored.
        TScopedEnv relative("XDG_DATA_HOME", QByteArray("relative/share"));
        EXPECT_EQ(UserDataDir(), (fDir.path() + "/home/.local/share").toStdString());
    }
    TScopedEnv noData("XDG_DATA_HOME", std::nullopt);
    TScopedEnv noHome("HOME", std::nullopt);
    EXPECT_EQ(UserDataDir(), "");
    EXPECT_FALSE(Register());
}

TEST_F(ShellRegistration, TheRealMimeDatabaseAcceptsThePackage)
{
    TScopedEnv realPath("PATH", fOriginalPath);
    if (QStandardPaths::findExecutable("update-mime-database").isEmpty())
        GTEST_SKIP() << "update-mime-database is not installed";
    ASSERT_TRUE(Register()) << fReason;
    std::string globs = ReadText(Data("mime/globs2"));
    EXPECT_NE(globs.find("application/x-veltro-ovf:*.ovf"), std::string::npos) << globs;
    EXPECT_NE(globs.find("application/x-veltro-ovz:*.ovz"), std::string::npos) << globs;
}

TEST(WebAddress, OnlyWebAddressesReachTheOpener)
{
    std::vector<QUrl> opened;
    SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_TRUE(OpenUrl("www.example.org"));
    EXPECT_TRUE(OpenUrl("  https://example.org/meet 2024  "));
    for (const char* address : {"", "file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)", "http://"})
        EXPECT_FALSE(OpenUrl(address)) << address;
    SetUrlOpener([](const QUrl&) { return false; });
    EXPECT_FALSE(OpenUrl("www.example.org"));
    SetUrlOpener(nullptr);
    EXPECT_EQ(opened, std::vector<QUrl>({QUrl("http://www.example.org"), QUrl("https://example.org/meet%202024")}));
}

TEST(Quillon, StartsOnlyBesideTheProgramWithThePathAsOneArgument)
{
    QTemporaryDir base;
    const QString folder = base.path() + "/program folder";
    ASSERT_TRUE(QDir().mkpath(folder + "/quillon"));
    EXPECT_FALSE(QuillonExists(folder.toStdString())); // a folder of that name is no program
    ASSERT_TRUE(QDir().rmdir(folder + "/quillon"));
    // Never a bare name that the system would look up along PATH.
    EXPECT_EQ(QuillonPath(""), QDir::current().absoluteFilePath("quillon").toStdString());

    const std::string result = base.path().toStdString() + "/arguments.txt";
    // Written under another name first, so that the test never reads half of it.
    WriteText(folder + "/quillon", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + result + ".part'\nmv '" + result +
                                       ".part' '" + result + "'\n");
    EXPECT_FALSE(QuillonExists(folder.toStdString())); // not executable
    QFile(folder + "/quillon").setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(QuillonExists(folder.toStdString()));

    const std::string file = base.path().toStdString() + "/my results/Meet \"2024\" $HOME (1).ovf";
    ASSERT_TRUE(StartQuillon(folder.toStdString() + "/", file));
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(QString::fromStdString(result)) && timer.elapsed() < 10000)
        QThread::msleep(20);
    EXPECT_EQ(ReadText(QString::fromStdString(result)), "1\n" + file + "\n");
}

TEST(RtfView, ShowsFormattedParagraphsOrLeavesTheViewAlone)
{
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "kvnui_tests";
        static char* argv[] = {name, nullptr};
        static QApplication application(argc, argv);
    }
    QTemporaryDir dir;
    QTextEdit edit;
    edit.setPlainText("old text");
    EXPECT_FALSE(LoadRtfInto(&edit, (dir.path() + "/missing.rtf").toStdString()));
    WriteText(dir.path() + "/plain.rtf", "no rich text");
    EXPECT_FALSE(LoadRtfInto(&edit, (dir.path() + "/plain.rtf").toStdString()));
    EXPECT_EQ(edit.toPlainText(), "old text");

    WriteText(dir.path() + "/help.rtf",
              "{\\rtf1\\fs20 {\\b\\fs32 Title}\\par\\par Plain {\\i it} {\\ul ul}\\line x\\par}");
    ASSERT_TRUE(LoadRtfInto(&edit, (dir.path() + "/help.rtf").toStdString()));
    QTextDocument* document = edit.document();
    ASSERT_EQ(document->blockCount(), 3);
    EXPECT_EQ(document->findBlockByNumber(2).text(), QString("Plain it ul") + QChar::LineSeparator + "x");
    auto formatAt = [&](int block, int offset) {
        QTextCursor cursor(document->findBlockByNumber(block));
        cursor.setPosition(cursor.position() + offset + 1);
        return cursor.charFormat();
    };
    EXPECT_EQ(formatAt(0, 0).fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(formatAt(0, 0).fontPointSize(), 16.0);
    EXPECT_EQ(formatAt(2, 0).fontWeight(), QFont::Normal);
    EXPECT_TRUE(formatAt(2, 6).fontItalic());
    EXPECT_TRUE(formatAt(2, 9).fontUnderline() && !formatAt(2, 9).fontItalic());
    EXPECT_EQ(edit.textCursor().position(), 0);

    // A long paragraph of many formatting changes reaches the layout as one change, not one per run (which laid out
    // the growing paragraph again each time).
    std::string many = "{\\rtf1 ";
    for (int run = 0; run < 2000; ++run)
        many += run % 2 ? "\\b0 plain " : "\\b bold ";
    WriteText(dir.path() + "/many.rtf", many + "}");
    int changes = 0;
    QObject::connect(document, &QTextDocument::contentsChange, [&changes](int, int, int) { ++changes; });
    ASSERT_TRUE(LoadRtfInto(&edit, (dir.path() + "/many.rtf").toStdString()));
    EXPECT_EQ(document->blockCount(), 1);
    EXPECT_LE(changes, 5) << "clearing, options and the filling, not one per run";
    EXPECT_TRUE(document->isUndoRedoEnabled());
}
