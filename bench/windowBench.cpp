// The window's own paths on generated meets: loading a file into the real main window (reading with the progress
// display, indexes, trees and sorted lists), selecting the competition, drawing a long list (recording, then
// painting the viewport), and the whole path from the start of a load to the first event's list drawn.
// Runs offscreen by default; `QT_QPA_PLATFORM=xcb xvfb-run -a bench_window` runs it on a real X11 display, where
// the progress display costs most. Each benchmark reports the process's peak resident memory while it ran.

#include "benchSupport.h"
#include "eventsBrowser.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnSwimLang.h"
#include "orvGenerator.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

struct TMeet {
    std::string Label;
    int Clubs;
    std::string Path;
};

std::vector<TMeet>& Meets()
{
    static std::vector<TMeet> meets = {{"5k-athletes", 100, {}}, {"20k-athletes", 400, {}}, {"50k-athletes", 1000, {}}};
    return meets;
}

// Questions are answered "no" and boxes are not shown, so no benchmark waits for a user.
class TSilentBoxes : public kvn::IKvnMessageHandler {
public:
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool ShowMessageBox(const std::string&, const std::string&, bool, bool) override { return true; }
};

// Peak resident memory since the last reset, in MiB; resetting needs Linux 4.0 or later.
void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double PeakMemoryMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

std::unique_ptr<veltro::TfrmView> NewWindow()
{
    auto window = std::make_unique<veltro::TfrmView>();
    window->resize(1200, 900);
    window->show();
    QApplication::processEvents();
    return window;
}

// The event or age-group node with the longest list.
QTreeWidgetItem* LongestListNode(veltro::TfrmView& window, std::size_t& lines)
{
    QTreeWidgetItem* best = nullptr;
    lines = 0;
    for (QTreeWidgetItemIterator it(window.Widgets().TrvEvents); *it; ++it) {
        const auto* list = window.Events().ResultListFor(*it);
        if (list && list->size() > lines) {
            lines = list->size();
            best = *it;
        }
    }
    return best;
}

QTreeWidgetItem* FirstListNode(veltro::TfrmView& window)
{
    for (QTreeWidgetItemIterator it(window.Widgets().TrvEvents); *it; ++it)
        if (const auto* list = window.Events().ResultListFor(*it); list && !list->empty()) return *it;
    return nullptr;
}

void PaintList(veltro::TfrmView& window)
{
    window.Widgets().pbEvents->viewport()->repaint();
}

void BM_LoadFile(benchmark::State& state, const TMeet* meet)
{
    auto window = NewWindow();
    ResetPeakMemory();
    for (auto _ : state)
        window->LoadFile(meet->Path);
    state.counters["peak_MiB"] = PeakMemoryMiB();
}

void BM_SelectCompetition(benchmark::State& state, const TMeet* meet)
{
    auto window = NewWindow();
    window->LoadFile(meet->Path);
    for (auto _ : state)
        window->CbxCompetitionsChange();
}

void BM_DrawLongestList(benchmark::State& state, const TMeet* meet, bool paintOnly)
{
    auto window = NewWindow();
    window->LoadFile(meet->Path);
    window->Widgets().PgcMain->setCurrentIndex(veltro::TfrmView::pgEvents);
    std::size_t lines = 0;
    QTreeWidgetItem* node = LongestListNode(*window, lines);
    window->Events().ShowEventList(node);
    for (auto _ : state) {
        if (!paintOnly) window->Events().ShowEventList(node);
        PaintList(*window);
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_LoadToFirstList(benchmark::State& state, const TMeet* meet)
{
    ResetPeakMemory();
    for (auto _ : state) {
        auto window = NewWindow();
        window->LoadFile(meet->Path);
        window->Widgets().PgcMain->setCurrentIndex(veltro::TfrmView::pgEvents);
        window->Events().ShowEventList(FirstListNode(*window));
        PaintList(*window);
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = PeakMemoryMiB();
}

void PrepareProgramFolder()
{
    const std::filesystem::path folder = BenchFolder() / "program";
    std::filesystem::create_directories(folder);
    for (const char* language : {"veltro.xus", "veltro.xde"})
        std::filesystem::copy_file(std::string(VELTRO_SOURCE_DIR) + "/resources/lang/" + language, folder / language,
                                   std::filesystem::copy_options::overwrite_existing);
    kvn::SetExecutablePath((folder / "veltro").string());
    kvn::SetSettingsFilePath((folder / "veltro.INI").string());
    kvn::GetLanguage().LoadLanguage(3, false);
    kvn::LoadVocabulary();
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    TSilentBoxes boxes;
    kvn::SetMessageHandler(&boxes);
    PrepareProgramFolder();
    for (TMeet& meet : Meets()) {
        meet.Path = (BenchFolder() / ("window-" + meet.Label + ".ovf")).string();
        kvn::TOrvGenOptions options;
        options.Seed = 50;
        options.Clubs = meet.Clubs;
        options.AthletesPerClub = 50;
        options.Entries = true;
        GenerateOnce(meet.Path, options);
    }
    for (const TMeet& meet : Meets()) {
        RegisterTimed("BM_LoadFile/" + meet.Label, BM_LoadFile, &meet);
        RegisterTimed("BM_SelectCompetition/" + meet.Label, BM_SelectCompetition, &meet);
        RegisterTimed("BM_DrawLongestList/" + meet.Label, BM_DrawLongestList, &meet, false);
        RegisterTimed("BM_PaintLongestList/" + meet.Label, BM_DrawLongestList, &meet, true);
        RegisterTimed("BM_LoadToFirstList/" + meet.Label, BM_LoadToFirstList, &meet);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    kvn::SetMessageHandler(nullptr);
    return 0;
}
