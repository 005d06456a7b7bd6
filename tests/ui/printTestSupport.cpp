#include "printTestSupport.h"

#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace kvntest {

TPrintFolder::TPrintFolder() : fSavedExecutable(kvn::ExecutablePath()), fSavedSettings(kvn::SettingsFile().FileName())
{
    kvn::SetExecutablePath(File("veltro"));
    kvn::SetSettingsFilePath(File("veltro.INI"));
    QFile::copy(QStringLiteral(VELTRO_SOURCE_DIR "/resources/lang/veltro.xus"),
                QString::fromStdString(File("veltro.xus")));
    kvn::FreeLanguage();
    kvn::GetLanguage().LoadLanguage(3, false);
}

TPrintFolder::~TPrintFolder()
{
    kvn::FreeLanguage();
    kvn::SetSettingsFilePath(fSavedSettings);
    kvn::SetExecutablePath(fSavedExecutable);
}

std::string TPrintFolder::File(const std::string& name) const
{
    return (fDir.path() + "/").toStdString() + name;
}

void NumberedLines(kvn::TKvnReport& report, int count)
{
    report.OnOneExemplar = [count](kvn::TKvnReport& r) {
        r.StartPage();
        r.SetColumns("L700;R300");
        r.PrintLine({"100 m freestyle", "Heat 1"}, kvn::tfBold);
        r.HLine(3);
        for (int i = 1; i <= count; ++i)
            r.PrintLine({"Swimmer " + std::to_string(i), "1:0" + std::to_string(i % 10) + ".25"});
    };
}

QString PdfText(const QString& file)
{
    QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) return {};
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace kvntest
