// Prints a sample result list through the report engine: on the Qt canvas to a PDF file, and through the HTML writer
// to a page, or shows it in the print preview and saves a picture of that window with its frame. The content and
// the clock are fixed, so the output is the same on every run.
//
// Usage: reportDemo OUTPUT.pdf [OUTPUT.htm]
//        reportDemo --preview-shot OUTPUT.png    (under xvfb-run with QT_QPA_PLATFORM=xcb and a window manager)

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "kvnDateTime.h"
#include "kvnFunctions.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"
#include "kvnPrint.h"
#include "kvnPrintPreview.h"
#include "kvnQtCanvas.h"
#include "kvnStrings.h"

using namespace kvn;

namespace {

class TA4Paper : public IKvnPrinterInfo {
public:
    bool HasPrinter() const override { return true; }
    std::string SelectedPrinterName() const override { return "PDF"; }
    int SelectedPaperCode() const override { return 9; }
};

struct TEvent {
    const char* Title;
    int Distance;     // metres
    int Laps;         // split times per result, 0 for none
    TSwimTime Winner; // time of the first place
    int Spread;       // hundredths between places
    int Entries;
};

constexpr std::array<TEvent, 3> kEvents{{
    {"Event 1, 100m Freestyle Women", 100, 2, 57 * 10000 + 4 * 10, 37, 24},
    {"Event 2, 200m Breaststroke Men", 200, 4, 2 * 600000 + 14 * 10000 + 2 * 1000 + 8 * 10, 91, 22},
    {"Event 3, 50m Butterfly Women", 50, 0, 26 * 10000 + 5 * 1000, 19, 26},
}};

constexpr std::array<const char*, 12> kFirstNames{"Ava",  "Jonas",  "Mira",  "Elias", "Lena",   "Noah",
                                                  "Ines", "Tobias", "Sofia", "Lukas", "Amelie", "Felix"};
constexpr std::array<const char*, 13> kLastNames{"Lindqvist", "Berger",    "Okafor", "Marchetti", "Novak",
                                                 "Haugen",    "Delacroix", "Brandt", "Kowalski",  "Ferreira",
                                                 "Sato",      "Moreau",    "Jansen"};
constexpr std::array<const char*, 7> kClubs{"SC Lakeside",        "Aquatic Club Nordhafen", "SV Bergstadt 1912",
                                            "Riverside Dolphins", "TSV Kalmbach",           "Blue Lane Swim Team",
                                            "Harbour City SC"};

// A time of hundredths, as the swim-time integer.
TSwimTime FromHundredths(int hundredths)
{
    int rest = hundredths % 6000;
    return hundredths / 6000 * 600000 + rest / 100 * 10000 + rest % 100 / 10 * 1000 + rest % 10 * 10;
}

int ToHundredths(TSwimTime time)
{
    return time / 600000 * 6000 + time % 600000 / 10000 * 100 + time % 10000 / 1000 * 10 + time % 1000 / 10;
}

void PrintEvent(TKvnReport& report, const TEvent& event)
{
    report.NeedSpace(40);
    report.SetFontPercent(120);
    report.SetColumns("L1000");
    report.PrintLine({event.Title}, tfBold);
    report.Feed(5);
    report.HtmlBreak();
    report.SetFontPercent(100);
    for (int place = 0; place < event.Entries; ++place) {
        if (report.NeedSpace(10)) report.SetFontPercent(100);
        int total = ToHundredths(event.Winner) + place * event.Spread + (place * place * 7) % 23;
        std::string name = std::string(kLastNames[(place * 5 + event.Distance) % kLastNames.size()]) + ", " +
                           kFirstNames[(place * 7 + event.Laps) % kFirstNames.size()];
        report.SetColumns("R100;L20;L350;L350;R100");
        bool disqualified = place == event.Entries - 2;
        report.PrintLine({disqualified ? "" : std::to_string(place + 1) + ".", "", name,
                          kClubs[(place * 3 + event.Distance / 50) % kClubs.size()],
                          disqualified ? "DSQ" : SwimTimeToStr(FromHundredths(total), true)},
                         0);
        if (event.Laps == 0 || disqualified) continue;
        // Split times in the smaller face: distance, split and lap time, the first half of the splits on the left
        // and the second half on the right.
        std::vector<int> splits;
        for (int lap = 1; lap <= event.Laps; ++lap)
            splits.push_back(total * lap / event.Laps - (event.Laps - lap) * 40);
        report.SetFontPercent(80);
        report.SetColumns("L120;L75;R100;R100;L75;L75;R100;R100");
        int rows = (event.Laps + 1) / 2;
        for (int row = 0; row < rows; ++row) {
            std::vector<std::string> cells(8);
            for (int half = 0; half < 2; ++half) {
                int k = row + half * rows;
                if (k >= event.Laps) continue;
                int previous = k == 0 ? 0 : splits[static_cast<std::size_t>(k - 1)];
                int split = splits[static_cast<std::size_t>(k)];
                std::size_t cell = static_cast<std::size_t>(4 * half);
                cells[cell + 1] = std::to_string(event.Distance * (k + 1) / event.Laps) + "m";
                cells[cell + 2] = SwimTimeToStr(FromHundredths(split), true);
                cells[cell + 3] = "(" + Trim(SwimTimeToStr(FromHundredths(split - previous), true)) + ")";
            }
            report.PrintLine(cells, tfItalic);
        }
        report.SetFontPercent(100);
    }
    report.SetColumns("");
    report.HLine(3);
    report.Feed(10);
}

void OneCopy(TKvnReport& report)
{
    // The first page gets its header too; the engine itself only heads the pages it starts.
    report.PageHead(1);
    // 120 % is also a font size of the HTML page's style block.
    report.SetFontPercent(120);
    report.SetColumns("L1000");
    report.PrintLine({"Results"}, tfBold);
    report.SetFontPercent(100);
    report.SetColumns("L700;R300");
    report.PrintLine({"Lakeside Spring Meet 2026", "Lakeside Pool"}, tfBold);
    report.PrintLine({"7-9 March 2026", "50m"}, tfBold);
    report.SetColumns("");
    report.HLine(-1);
    report.Feed(10);
    for (const TEvent& event : kEvents)
        PrintEvent(report, event);
    report.SetColumns("L1000");
    report.PrintLine({"DSQ: disqualified. Split times are italic, lap times in brackets."}, tfItalic);
}

// A small logo, written as a Windows bitmap so that the page pictures go through the engine's own reader.
std::string WriteLogo(const QString& folder)
{
    QImage logo(240, 60, QImage::Format_RGB32);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 90, 170), 6));
    for (int wave = 0; wave < 3; ++wave) {
        QPainterPath path;
        path.moveTo(10, 18 + wave * 14);
        for (int x = 10; x < 230; x += 40)
            path.cubicTo(x + 10, 8 + wave * 14, x + 30, 28 + wave * 14, x + 40, 18 + wave * 14);
        painter.drawPath(path);
    }
    painter.end();
    QString file = folder + "/logo.bmp";
    return logo.save(file, "BMP") ? file.toStdString() : std::string();
}

// Shows the report's pages in the print preview and saves the window, frame included, as a PNG file.
bool SavePreviewShot(TKvnReport& report, const QString& file)
{
    TKvnQtPreviewDevice device;
    report.Preview(device);
    TkvnPreviewDlg preview;
    preview.Form().SetAutoSave(false);
    preview.setWindowTitle(preview.windowTitle() + QStringLiteral("Print"));
    preview.SetPages(report.PreviewPages());
    preview.resize(860, 720);
    preview.move(60, 60);
    preview.show();
    if (!QTest::qWaitForWindowExposed(&preview)) return false;
    // The window manager frames the window after it appears.
    QTest::qWait(800);
    QRect frame = preview.frameGeometry();
    QPixmap shot = preview.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return !shot.isNull() && shot.save(file, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: reportDemo OUTPUT.pdf [OUTPUT.htm]\n");
        return 2;
    }
    bool previewShot = std::string(argv[1]) == "--preview-shot";
    if (previewShot && argc != 3) {
        std::fprintf(stderr, "usage: reportDemo --preview-shot OUTPUT.png\n");
        return 2;
    }
    std::string pdfFile = argv[1];
    std::string htmlFile = argc > 2 ? argv[2] : "";

    try {
        // Settings go to a folder of the run's own; the texts are the English language file of the sources.
        QTemporaryDir scratch;
        if (!scratch.isValid()) throw std::runtime_error("no temporary folder");
        SetSettingsFilePath((scratch.path() + "/veltro.INI").toStdString());
        SetExecutablePath(std::string(VELTRO_LANG_DIR) + "/veltro");
        TLanguage& language = GetLanguage();
        language.LoadLanguage(3, false);
        language.SetPrintLanguage(3);

        TA4Paper paper;
        TKvnReport report(&paper);
        report.SetCaption("Report demo");
        report.SetClock([] { return EncodeDate(2026, 3, 9) + (18 * 60 + 30) / 1440.0; });
        TKvnDocument& document = report.Document();
        document.SetFootLeft({"Veltro report demo"});
        document.SetFootCenter({"@DATE@, @TIME@"});
        document.SetFootRight({"Lakeside Pool"});
        std::string logo = WriteLogo(scratch.path());
        if (!logo.empty()) document.SetImages({"105;1;40;2;" + logo});
        report.OnInitReport = [](TKvnReport& r) {
            r.Document().SetHeadLeft({"Lakeside Spring Meet 2026"});
            r.Document().SetHtmlTitle({"Lakeside Spring Meet 2026 - Results"});
        };
        report.OnOneExemplar = OneCopy;

        if (previewShot) {
            if (!SavePreviewShot(report, QString::fromLocal8Bit(argv[2])))
                throw std::runtime_error("the preview window could not be saved");
            std::printf("wrote %s\n", argv[2]);
            return 0;
        }

        QPrinter printer(QPrinter::HighResolution);
        SetUpPdfPrinter(printer, pdfFile, document);
        TKvnQtPrinter output(printer);
        report.Print(output);
        std::printf("wrote %s\n", pdfFile.c_str());

        if (!htmlFile.empty()) {
            report.SetHtmlFileName(htmlFile);
            report.WriteHtml();
            std::printf("wrote %s\n", htmlFile.c_str());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "reportDemo: %s\n", error.what());
        return 1;
    }
    return 0;
}
