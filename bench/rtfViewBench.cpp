// Time to show help texts of growing size with many formatting changes, from reading to a filled text view.

#include "benchSupport.h"
#include "kvnRtf.h"
#include "kvnRtfView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextEdit>

#include <cstdlib>
#include <string>

namespace {

// A help text of about the given size whose formatting changes every few words; paragraphs hold piecesPerParagraph
// formatted pieces (0: the whole text is one paragraph).
std::string HelpText(std::size_t bytes, int piecesPerParagraph)
{
    static const char* const kPieces[] = {"{\\b bold words} ",         "plain text ",          "\\i italic\\i0  ",
                                          "\\ul underlined\\ulnone  ", "\\fs32 large\\fs24  ", "\\'fc\\u8364? "};
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\fs24 ";
    for (int piece = 0; rtf.size() < bytes; ++piece) {
        rtf += kPieces[piece % std::size(kPieces)];
        if (piecesPerParagraph > 0 && piece % piecesPerParagraph == piecesPerParagraph - 1) rtf += "\\par\n";
    }
    return rtf + "}";
}

void ShowHelpText(benchmark::State& state, std::size_t bytes, int piecesPerParagraph)
{
    const std::string rtf = HelpText(bytes, piecesPerParagraph);
    QTextEdit edit;
    edit.resize(800, 600);
    for (auto _ : state) {
        kvn::TRtfDocument document;
        std::string error;
        kvn::ParseRtf(rtf, document, error);
        kvn::FillTextDocument(document, *edit.document());
        // Laying out the whole text is part of showing it.
        benchmark::DoNotOptimize(edit.document()->documentLayout()->documentSize());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    for (std::size_t kilobytes : {25, 100, 300, 1024}) {
        RegisterTimed("ShowHelpText/paragraphs/" + std::to_string(kilobytes) + "KB", ShowHelpText, kilobytes * 1024,
                      20);
        RegisterTimed("ShowHelpText/oneParagraph/" + std::to_string(kilobytes) + "KB", ShowHelpText, kilobytes * 1024,
                      0);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
