#include "guiTestSupport.h"

#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"
#include "kvnSwimLang.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <fstream>

namespace veltrotest {

TProgramFolder::TProgramFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "veltro-gui-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    fPath = pattern;
    fSavedExecutable = kvn::ExecutablePath();
    for (const char* language : {"veltro.xus", "veltro.xde"})
        std::filesystem::copy_file(std::string(VELTRO_SOURCE_DIR) + "/resources/lang/" + language, fPath / language);
    std::filesystem::copy_file(std::string(VELTRO_SOURCE_DIR) + "/resources/help/veltrous.rtf", fPath / "veltrous.rtf");
    kvn::SetExecutablePath((fPath / "veltro").string());
    kvn::SetSettingsFilePath((fPath / "veltro.INI").string());
    kvn::FreeLanguage();
    kvn::GetLanguage().LoadLanguage(3, false);
    kvn::LoadVocabulary();
}

TProgramFolder::~TProgramFolder()
{
    kvn::FreeLanguage();
    kvn::SetExecutablePath(fSavedExecutable);
    std::error_code ignored;
    std::filesystem::remove_all(fPath, ignored);
}

std::string TProgramFolder::Write(const std::string& name, const std::string& content) const
{
    std::string path = (fPath / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::unique_ptr<kvn::TOrvida> LoadDocument(const TProgramFolder& folder, const std::string& content)
{
    auto document = std::make_unique<kvn::TOrvida>();
    document->LoadFromFile(folder.Write("meet.ovf", content));
    document->BuildIndexes();
    document->SelectCompetition(0);
    return document;
}

std::string Meet(const std::string& competitionContent)
{
    return "<ORVIDA><VERSION>01.10.0000</VERSION><COMPETITIONS><COMPETITION><NAME>Test meet</NAME><PL>50</PL>"
           "<PM>m</PM>" +
           competitionContent + "</COMPETITION></COMPETITIONS></ORVIDA>";
}

std::string Session(const std::string& events)
{
    return "<PERIODS><PERIOD><NUM>1</NUM><DATE>20240601</DATE><EVENTS>" + events + "</EVENTS></PERIOD></PERIODS>";
}

std::string Event(int id, int num, const std::string& more)
{
    return "<EVENT id=\"" + std::to_string(id) + "\"><NUM>" + std::to_string(num) + "</NUM><STR>F</STR><SEX>M</SEX>" +
           more + "</EVENT>";
}

std::string Person(int id, const std::string& name, const std::string& content)
{
    return "<PERSON id=\"" + std::to_string(id) + "\"><NAME>" + name + "</NAME><FNAME>A</FNAME><YOB>1990</YOB>" +
           content + "</PERSON>";
}

std::string Swim(const std::string& kind, int event, const std::string& time, const std::string& more)
{
    return "<" + kind + "><EID>" + std::to_string(event) + "</EID><TIME>" + time + "</TIME>" + more + "</" + kind + ">";
}

std::string Results(const std::string& items)
{
    return "<RESULTS>" + items + "</RESULTS>";
}

std::string Clubs(const std::string& persons, const std::string& relays)
{
    return "<CLUBS><CLUB><NAME>SV Nord</NAME><PERSONS>" + persons + "</PERSONS><RELAYS>" + relays +
           "</RELAYS></CLUB></CLUBS>";
}

} // namespace veltrotest

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
