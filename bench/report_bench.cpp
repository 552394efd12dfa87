// Cost of one wiring check's record on A4: analysing the filed check again and laying the sheet
// out in the real faces, then the whole PDF file as 报告 and phasemeter-cli report write it (Qt's
// writer, the author added by qpdf, the file written through QSaveFile).
//
//   report_bench

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include "adapters/qt_documents.h"
#include "analysis/primary_values.h"
#include "output/check_sheet.h"
#include "output/filed_check.h"
#include "output/wiring_text.h"
#include "simulator/instrument_simulator.h"

namespace {

using namespace pm;

// A miswired four-wire installation through 200/5 and 10000/100, on a site with a long address.
CheckSheetInput miswiredCheck() {
    const auto phasors = sim::parsePhasors("U=57.7@0,57.7@120,57.7@240 I=5@260,5@320,5@20");
    const std::vector<std::uint8_t> frame = sim::encodeFrame(sim::phasorReading(*phasors));
    SiteFields site;
    site.name = "某某化工有限公司第二分厂";
    site.meterNumber = "3300123456";
    for (int k = 0; k < 40; ++k) {
        site.address += "工业大道";
    }
    site.currentRatio = "200/5";
    site.voltageRatio = "10000/100";
    WiringOptions options;
    options.meteredEnergy = 25.6;
    const WiringResult result = checkWiring(wiringReading(frame), options);
    const std::optional<SiteRatios> ratios = enteredSiteRatios("200/5", "10000/100");
    const InspectionFields fields = inspectionFields(
        1, 1'800'000'000, "张建国", {}, options, frame, result,
        wiringReportLines(liveSourceText(), options, wiringReadingTexts(frame, {}), result, ratios),
        options.meteredEnergy, backBilledEnergy(options, result, ratios), "", site);
    ClockReading filed;
    filed.year = 2027;
    filed.month = 1;
    filed.day = 15;
    return {{1, fields}, site, filed, {}, "phasemeter bench"};
}

void LayOutSheet(benchmark::State& state) {
    const CheckSheetInput input = miswiredCheck();
    PdfDocumentOutput documents;
    for (auto _ : state) {
        benchmark::DoNotOptimize(checkSheet(input, documents.measure()));
    }
}
BENCHMARK(LayOutSheet)->Unit(benchmark::kMillisecond);

void WriteSheetPdf(benchmark::State& state) {
    const CheckSheetInput input = miswiredCheck();
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("r.pdf")).toStdString();
    for (auto _ : state) {
        PdfDocumentOutput documents;
        const PagedDocument sheet = checkSheet(input, documents.measure());
        if (!documents.writePdf(path, sheet).ok()) {
            state.SkipWithError("the PDF was not written");
        }
    }
}
BENCHMARK(WriteSheetPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
