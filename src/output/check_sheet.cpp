#include "output/check_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/primary_values.h"
#include "analysis/transformer_ratio.h"
#include "analysis/wiring_check.h"
#include "analysis/wiring_texts.h"
#include "output/filed_check.h"
#include "output/page_layout.h"
#include "output/wiring_text.h"
#include "protocol/derived_values.h"
#include "view/wiring_diagram.h"
#include "view/wiring_panel.h"

namespace pm {
namespace {

constexpr std::size_t kShownAlternatives = 3;
constexpr double kDiagramSize = 60;  // mm, the square the phasor diagram is drawn in
constexpr double kDiagramGap = 5;    // mm between it and the verdict beside it
constexpr double kVerdictGap = 0.8;  // mm between the verdict's lines
constexpr const char* kNone = "无";

// `value` with `decimals` decimals in the user's decimal symbol, without grouping.
std::string fixed(double value, int decimals, const NumberFormat& format) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string shown = text;
    if (shown.find_first_not_of("-0.") == std::string::npos && shown.front() == '-') {
        shown.erase(0, 1);  // no "-0.000"
    }
    if (const std::size_t point = shown.find('.'); point != std::string::npos) {
        shown.replace(point, 1, format.decimalSymbol);
    }
    return shown;
}

// A plain number in the user's decimal symbol.
std::string trimmedNumber(double value, int decimals, const NumberFormat& format) {
    std::string shown = plainNumber(value, decimals);
    if (const std::size_t point = shown.find('.'); point != std::string::npos) {
        shown.replace(point, 1, format.decimalSymbol);
    }
    return shown;
}

double roundedTo(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string systemText(WiringSystem system) {
    return system == WiringSystem::FourWire ? "三相四线" : "三相三线";
}

// What the check found, with the numbers and texts the sheet writes.
struct Sheet {
    const CheckSheetInput& in;
    const InspectionFields& filed;
    WiringReading reading;
    WiringResult result;
    WiringReadingTexts texts;
    std::optional<SiteRatios> ratios;
    bool fourWire;
};

void siteBlock(PageFlow& flow, const Sheet& s) {
    const SiteFields& site = s.in.site;
    const NumberFormat& format = s.in.format;
    flow.heading("一、现场");
    flow.fieldRow({{"户名", site.name}});
    flow.fieldRow(
        {{"户号", site.account}, {"表号", site.meterNumber}, {"电能表型号", site.meterModel}});
    flow.fieldRow({{"地址", site.address}});
    flow.fieldRow({{"接线方式", systemText(s.filed.options.system)},
                   {"CT 变比", s.filed.currentRatio},
                   {"PT 变比", s.filed.voltageRatio},
                   {"倍率", s.ratios ? multiplierText(s.ratios->multiplier(), format) : ""}});
}

void checkBlock(PageFlow& flow, const Sheet& s) {
    const WiringOptions& options = s.filed.options;
    const NumberFormat& format = s.in.format;
    flow.heading("二、检查");
    flow.fieldRow({{"检查时间", localTimeText(s.in.filed), 1},
                   {"检查人", s.filed.inspector, 0.7},
                   {"来源", filedSourceText(s.in.inspection), 1.3}});
    std::vector<FormField> row{
        {"负载角", trimmedNumber(options.loadFrom, 1, format) + "°~" +
                       trimmedNumber(options.loadTo, 1, format) + "°"},
        {"功率方向", options.direction == PowerDirection::Import ? "受电" : "送电"}};
    if (s.fourWire) {
        row.push_back({"经PT接入", options.viaVoltageTransformers ? "是" : "否"});
    } else {
        row.push_back({"b相端子", options.bTerminal >= 1 && options.bTerminal <= 3
                                      ? std::to_string(options.bTerminal)
                                      : std::string("未知")});
    }
    flow.fieldRow(row);
    flow.fieldRow({{"备注", s.filed.note}});
}

// A row of the readings table for one channel of `values`, whose load angle and power factor are
// the secondary reading's.
TableRow channelRow(const std::string& name, const ChannelValues& values, const std::string& angle,
                    const std::string& powerFactor, const NumberFormat& format) {
    TableRow row{{name}};
    for (double v : primaryQuantities(values)) {
        row.push_back({primaryValueText(v, format)});
    }
    row.insert(row.begin() + 3, {angle});
    row.push_back({powerFactor});
    return row;
}

TableRow totalRow(const std::string& name, const ChannelSet& channels, WiringSystem system,
                  const NumberFormat& format) {
    const std::optional<PowerTotal> total = powerTotal(channels, system);
    const auto shown = [&](double v) { return total ? primaryValueText(v, format) : "----"; };
    return {{name},
            {""},
            {""},
            {""},
            {shown(total ? total->p : 0)},
            {shown(total ? total->q : 0)},
            {shown(total ? total->s : 0)},
            {""}};
}

void readingsBlock(PageFlow& flow, const Sheet& s) {
    const NumberFormat& format = s.in.format;
    const WiringSystem system = s.filed.options.system;
    const std::array<std::string, 16>& t = s.texts.texts;
    flow.heading("三、测量数据");
    std::vector<TableRow> rows{
        {{"通道"}, {"U/V"}, {"I/A"}, {"负载角"}, {"P/kW"}, {"Q/kvar"}, {"S/kVA"}, {"功率因数"}}};
    std::array<std::string, 3> powerFactors;
    for (int side = 0; side < (s.ratios ? 2 : 1); ++side) {
        const ChannelSet channels =
            side == 0 ? s.texts.channels : primaryValues(s.texts.channels, *s.ratios);
        const std::string sideName = side == 0 ? "二次 " : "一次 ";
        for (int k = 0; k < 3; ++k) {
            if (!channelUsed(system, k)) {
                continue;
            }
            const auto c = static_cast<std::size_t>(k);
            const std::string& angle = t[12 + c];
            if (side == 0) {
                powerFactors[c] = channelPowers(t[c], t[3 + c], angle, format).pf;
            }
            const std::string name = sideName + std::to_string(k + 1);
            if (channels[c]) {
                rows.push_back(channelRow(name, *channels[c], angle, powerFactors[c], format));
            } else {
                rows.push_back({{name},
                                {"----"},
                                {"----"},
                                {angle},
                                {"----"},
                                {"----"},
                                {"----"},
                                {powerFactors[c]}});
            }
        }
        rows.push_back(totalRow(sideName + "合计", channels, system, format));
    }
    flow.table({1.25, 1.1, 1.1, 1.1, 1.1, 1.1, 1.1, 1.0}, rows, PageFlow::kTable);
    if (!s.ratios) {
        flow.fieldRow({{"一次值", "现场的 CT、PT 变比未填全，未换算一次值"}});
    }
    static const char* const kAngleNames[9] = {"U1U2", "U2U3", "U3U1", "I1I2", "I2I3",
                                               "I3I1", "U1I1", "U2I2", "U3I3"};
    TableRow names{{"相角"}};
    TableRow values{{"读数"}};
    for (std::size_t a = 0; a < 9; ++a) {
        names.push_back({kAngleNames[a]});
        values.push_back({t[6 + a]});
    }
    names.push_back({"F/Hz"});
    values.push_back({t[15]});
    names.push_back({"In/A"});
    // Three-wire there is no neutral: the sum of I1 and I3 would pass for one.
    values.push_back({s.fourWire ? neutralCurrentText(t[3], t[4], t[5], t[9], t[11], format)
                                 : std::string("不适用")});
    flow.table({1.1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {names, values}, PageFlow::kTable);
}

std::string kText(const CorrectionFactor& k, const NumberFormat& format) {
    return "K = " + correctionFactorShown(k, format) + "（" + correctionFactorMeaning(k) + "）";
}

using FieldRows = std::vector<std::vector<FormField>>;

FieldRows verdictRows(const Sheet& s) {
    const NumberFormat& format = s.in.format;
    const WiringResult& result = s.result;
    const WiringOptions& options = s.filed.options;
    FieldRows rows{
        {{"相序", sequenceText(result.sequence)}, {"可信度", confidenceText(result.confidence)}},
        {{"结论", conclusionOf(result)}}};
    std::optional<CorrectionFactor> k;
    if (result.answers.empty()) {
        rows.push_back({{"原因", reasonText(result.reason)}});
        rows.push_back({{"更正系数", "无法确定"}});
    } else {
        const WiringAnswer& first = result.answers.front();
        for (std::size_t e = 0; e < first.elementVoltages.size(); ++e) {
            rows.push_back({{"元件" + std::to_string(e + 1),
                             first.elementVoltages[e] + "·" + first.elementCurrents[e]}});
        }
        k = first.k;
        rows.push_back({{"更正系数", kText(first.k, format)}});
    }
    if (result.balancedK) {
        rows.push_back({{"对称负载更正系数", kText(*result.balancedK, format)}});
    }
    if (result.powerFactorK) {
        rows.push_back(
            {{"功率因数更正系数", kText(*result.powerFactorK, format) + "，平均功率因数 " +
                                      trimmedNumber(*options.averagePowerFactor, 3, format)}});
    }
    rows.push_back(
        {{"抄见电量",
          options.meteredEnergy ? trimmedNumber(*options.meteredEnergy, 4, format) + " kWh" : ""},
         {"倍率", s.ratios ? multiplierText(s.ratios->multiplier(), format) : ""}});
    std::string energy;
    if (const std::optional<double> w = backBilledEnergy(options, result, s.ratios)) {
        energy = std::string(*w > 0   ? "应补收 "
                             : *w < 0 ? "应退还 "
                                      : "无需退补 ") +
                 backBillingFormula(*options.meteredEnergy,
                                    s.ratios ? std::optional(s.ratios->multiplier()) : std::nullopt,
                                    *k->value, *w, format);
        if (!s.ratios) {
            energy += "（未计倍率）";
        }
    } else if (k && k->infinite() && options.meteredEnergy) {
        energy = warningText({WarningKind::NoEnergyAtInfiniteK, -1});
    }
    rows.push_back({{"退补电量", energy}});
    for (const WiringWarning& warning : result.warnings) {
        if (warning.kind != WarningKind::NoEnergyAtInfiniteK) {
            rows.push_back({{"警告", warningText(warning)}});
        }
    }
    // The check is made again from what was filed; a later program that judges the same reading
    // otherwise must not pass its verdict off as the one filed.
    const std::optional<double> nowK =
        result.answers.empty() ? std::nullopt : result.answers.front().k.value;
    const bool sameK = nowK.has_value() == s.filed.correctionFactor.has_value() &&
                       (!nowK || std::fabs(*nowK - *s.filed.correctionFactor) <= 1e-9);
    if (conclusionOf(result) != s.filed.conclusion || !sameK) {
        rows.push_back(
            {{"注意",
              "本次分析与存档时不同；存档结论：" + s.filed.conclusion + "，K = " +
                  (s.filed.correctionFactor ? trimmedNumber(*s.filed.correctionFactor, 3, format)
                                            : std::string("--"))}});
    }
    return rows;
}

// The other answers, one line each, and the conclusions that read the same at every load angle.
FieldRows otherAnswerRows(const Sheet& s) {
    std::string alternatives;
    for (std::size_t a = 1; a < s.result.answers.size() && a <= kShownAlternatives; ++a) {
        const WiringAnswer& other = s.result.answers[a];
        alternatives += (a > 1 ? "\n" : "") + std::to_string(a) + ". " + conclusionOf(other) +
                        "  K = " + correctionFactorShown(other.k, s.in.format);
    }
    std::string equivalents;
    if (!s.result.answers.empty()) {
        for (const WiringFaults& equivalent : s.result.answers.front().equivalents) {
            equivalents += (equivalents.empty() ? "" : "；") + conclusionText(equivalent);
        }
    }
    return {{{"备选", alternatives.empty() ? kNone : alternatives}},
            {{"等效解释", equivalents.empty() ? kNone : equivalents}}};
}

void verdictBlock(PageFlow& flow, const Sheet& s) {
    const FieldRows rows = verdictRows(s);
    const double x = flow.left() + kDiagramSize + kDiagramGap;
    const double width = flow.right() - x;
    double height = 0;
    for (const std::vector<FormField>& row : rows) {
        height += flow.fieldsAt(x, 0, width, row, false) + kVerdictGap;
    }
    height = std::max(height, kDiagramSize);
    flow.heading("四、相量图与结论", height);
    flow.keep(height);
    const double top = flow.y();
    PageSurface surface(flow, flow.left(), top, kDiagramSize);
    static const std::array<std::string, 3> kUnnamed{};
    const bool answered = !s.result.answers.empty();
    drawWiringDiagram(surface, s.reading,
                      answered ? s.result.answers.front().voltageNames : kUnnamed,
                      answered ? s.result.answers.front().currentNames : kUnnamed);
    double y = top;
    for (const std::vector<FormField>& row : rows) {
        y += flow.fieldsAt(x, y, width, row, true) + kVerdictGap;
    }
    flow.skip(height + 1.5);
    for (const std::vector<FormField>& row : otherAnswerRows(s)) {
        flow.fieldRow(row);
    }
}

void signatureBlock(PageFlow& flow) {
    flow.skip(4);
    flow.fieldRow({{"检查人（签字）", "", 1.3},
                   {"日期", "", 0.9},
                   {"客户代表（签字）", "", 1.4},
                   {"日期", "", 0.9}});
}

bool unsafeInFileName(unsigned char c) {
    return c < 0x20 || c == 0x7F ||
           std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
}

// A part of a file name: what cannot stand in one replaced, the ends trimmed, and at most
// `limit` bytes, cut between characters.
std::string fileNamePart(const std::string& text, std::size_t limit) {
    std::string part;
    for (char c : text) {
        part += unsafeInFileName(static_cast<unsigned char>(c)) ? '_' : c;
    }
    const std::size_t first = part.find_first_not_of(" .");
    part = first == std::string::npos ? "" : part.substr(first);
    part.erase(part.find_last_not_of(' ') + 1);
    if (part.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(part[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        part.resize(cut);
    }
    return part;
}

}  // namespace

std::string backBillingFormula(double metered, std::optional<double> multiplier, double k,
                               double energy, const NumberFormat& format) {
    // Energy is billed in whole kWh; a small amount keeps its decimals.
    const int energyDecimals = std::fabs(energy) >= 100 ? 0 : 3;
    constexpr int kMeteredDecimals = 4;
    constexpr int kMultiplierDecimals = 3;
    constexpr int kMostDecimals = 12;
    const double shownEnergy = roundedTo(energy, energyDecimals);
    const double factor = roundedTo(metered, kMeteredDecimals) *
                          (multiplier ? roundedTo(*multiplier, kMultiplierDecimals) : 1.0);
    int decimals = 3;
    bool exact = false;
    for (; decimals <= kMostDecimals && !exact; ++decimals) {
        const double product = factor * (roundedTo(k, decimals) - 1.0);
        exact = std::fabs(roundedTo(product, energyDecimals) - shownEnergy) <=
                1e-9 * std::max(1.0, std::fabs(energy));
    }
    --decimals;
    std::string text = trimmedNumber(metered, kMeteredDecimals, format) + " × ";
    if (multiplier) {
        text += trimmedNumber(*multiplier, kMultiplierDecimals, format) + " × ";
    }
    return text + "(" + fixed(roundedTo(k, decimals), decimals, format) + " − 1) " +
           (exact ? "=" : "≈") + " " + trimmedNumber(energy, energyDecimals, format) + " kWh";
}

std::string checkSheetFileName(const SiteFields& site, const ClockReading& filed) {
    // Room for the date and the extension within the 255 bytes a name may have.
    std::string name = fileNamePart(site.name, 120);
    const std::string meter = fileNamePart(site.meterNumber, 60);
    if (name.empty()) {
        name = "检查记录";
    }
    if (!meter.empty()) {
        name += "_" + meter;
    }
    return name + "_" + std::to_string(filed.year) + twoDigits(filed.month) + twoDigits(filed.day) +
           ".pdf";
}

PagedDocument checkSheet(const CheckSheetInput& input, DocumentMeasure& measure) {
    const InspectionFields& filed = input.inspection.fields;
    Sheet s{input,
            filed,
            wiringReading(filed.frame),
            {},
            wiringReadingTexts(filed.frame, input.format),
            enteredSiteRatios(filed.currentRatio, filed.voltageRatio),
            filed.options.system == WiringSystem::FourWire};
    s.result = checkWiring(s.reading, filed.options);

    PageFlow flow(measure, PageFlow::Margins{});
    flow.centredLine(kCheckSheetTitle, TextStyle{16, Face::Hei, true});
    flow.skip(2.5);
    siteBlock(flow, s);
    checkBlock(flow, s);
    readingsBlock(flow, s);
    verdictBlock(flow, s);
    signatureBlock(flow);

    const std::string number = "检查编号 " + std::to_string(input.inspection.id);
    PagedDocument document;
    document.pages = flow.finish([&](int n, int count) {
        return PageFlow::Footer{
            input.program, number,
            "第 " + std::to_string(n) + " 页 / 共 " + std::to_string(count) + " 页"};
    });
    document.info.title = std::string(kCheckSheetTitle) + "：" + input.site.name + "，检查 " +
                          std::to_string(input.inspection.id);
    document.info.author = filed.inspector;
    document.info.creator = input.program;
    return document;
}

}  // namespace pm
