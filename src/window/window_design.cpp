// The window as designed: every control with its place, caption and look. Values are twips.
#include <string_view>

#include "window/window_model.h"

namespace pm {
namespace {

constexpr const char* kSong = "宋体";

FontSpec songFont(double points, bool bold) {
    return FontSpec{kSong, points, bold};
}

Label::Style valueStyle(Align align, bool border = true) {
    return Label::Style{songFont(14.25, true), kGreen, kBlack, align, border};
}

Label::Style statusStyle() {
    return Label::Style{songFont(10.5, false), kBlack, std::nullopt, Align::Left, true};
}

// Static captions size themselves to their text: 165 twips a character.
int captionWidth(std::string_view text) {
    int characters = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0u) != 0x80u) {
            ++characters;
        }
    }
    return 165 * characters;
}

struct StaticCaption {
    const char* text;
    int left;
    int top;
};

constexpr StaticCaption kStaticCaptions[22] = {
    {"1CH:", 600, 960},    {"2CH:", 600, 1800},   {"3CH:", 600, 2640},   {"U/V", 1800, 360},
    {"I/A", 3480, 360},    {"P/KW", 5160, 360},   {"Q/Kvar", 6720, 360}, {"S/KVA", 8520, 360},
    {"U1U2:", 600, 3720},  {"U2U3:", 600, 4560},  {"U3U1:", 600, 5400},  {"I1I2:", 3000, 3720},
    {"I2I3:", 3000, 4560}, {"I3I1:", 3000, 5400}, {"U1I1:", 5400, 3720}, {"U2I2:", 5400, 4560},
    {"U3I3:", 5400, 5400}, {"PF", 10320, 360},    {"F:", 1080, 6240},    {"Hz", 3000, 6240},
    {"In:", 4920, 6240},   {"A", 6840, 6240},
};

constexpr int kRowTops[3] = {960, 1800, 2640};
constexpr int kAngleTops[3] = {3720, 4560, 5400};

}  // namespace

WindowModel::WindowModel()
    : TabStrip1("TabStrip1", {600, 1800, 12375, 7455}, 0, {"实时监控", "历史查询"},
                songFont(12, true)),
      Command1("Command1", {720, 480, 1455, 855}, 1, "读取", 32),
      Command2("Command2", {2400, 480, 1335, 855}, 2, "保存", 32),
      Command3("Command3", {3960, 480, 1335, 855}, 3, "清空", 32),
      Command4("Command4", {5520, 480, 1335, 855}, 4, "打印", 32),
      Command6("Command6", {7080, 480, 1335, 855}, 9, "帮助", 24),
      Command5("Command5", {8640, 480, 1335, 855}, 5, "关闭", 32),
      Picture1(ControlKind::PictureBox, "Picture1", -1, {10200, 360, 1170, 1050}, 6),
      Label1("Label1", -1, {11520, 480, 1215, 375}, 7, nullptr, "串口状态", statusStyle()),
      Label2("Label2", -1, {11520, 960, 1215, 375}, 8, nullptr, "通信失败", statusStyle()),
      Frame1(ControlKind::Container, "Frame1", -1, {960, 2280, 11655, 6735}, 11),
      StatusBar1("StatusBar1", {0, 9540, 13605, 495}, 10,
                 {{"data", 1440}, {"智能型三钳相位伏安表", 10600}, {"time", 1440}},
                 songFont(9.75, true)),
      Picture2(ControlKind::DrawingSurface, "Picture2", -1, kPicture2Geometry, 12, &Frame1),
      Findcom("Findcom", 500, false),
      COMtimout("COMtimout", 1000, true),
      Readdat("Readdat", 100, false),
      comunication("comunication", 1000, true),
      Timer1("Timer1", 1000, true) {
    int tab = 13;
    auto add = [&](const char* name, int index, Rect r, const char* caption, Label::Style style) {
        frameLabels_.push_back(
            std::make_unique<Label>(name, index, r, tab++, &Frame1, caption, style));
        return frameLabels_.back().get();
    };

    struct Column {
        const char* name;
        std::array<Label*, 3>* labels;
        int left;
        int width;
        const char* caption;
    };
    const Column columns[] = {
        {"u", &u, 1560, 1050, "0.00"},   {"i", &i, 3165, 1245, "0.0000"},
        {"p", &p, 4905, 1245, "0.0000"}, {"q", &q, 6585, 1245, "0.0000"},
        {"s", &s, 8325, 1245, "0.0000"}, {"pf", &pf, 10080, 1050, "1.000"},
    };
    for (const Column& column : columns) {
        for (int k = 0; k < 3; ++k) {
            int width = column.width;
            if (column.labels == &i && k == 1) {
                width = 1230;
            }
            (*column.labels)[static_cast<std::size_t>(k)] =
                add(column.name, k, {column.left, kRowTops[k], width, 345}, column.caption,
                    valueStyle(Align::Centre));
        }
    }

    constexpr int kAngleLefts[3] = {1560, 3960, 6360};
    for (int k = 0; k < 9; ++k) {
        Rect r{kAngleLefts[k / 3], kAngleTops[k % 3], 1185, 345};
        bool border = true;
        if (k == 3) {
            r.width = 1125;
            r.height = 285;
            border = false;
        }
        phase[static_cast<std::size_t>(k)] =
            add("phase", k, r, "360.0°", valueStyle(Align::Left, border));
    }
    freq = add("freq", -1, {1680, 6180, 1050, 345}, "0.00", valueStyle(Align::Centre));
    isum = add("isum", -1, {5640, 6180, 885, 345}, "0.000", valueStyle(Align::Left));

    for (int k = 0; k < 22; ++k) {
        const StaticCaption& c = kStaticCaptions[k];
        const bool larger = (k == 8);
        Label::Style style{songFont(larger ? 15 : 14.25, true), kBlack, std::nullopt, Align::Left,
                           false};
        Label3[static_cast<std::size_t>(k)] = add(
            "Label3", k, {c.left, c.top, captionWidth(c.text), larger ? 300 : 285}, c.text, style);
    }
}

std::vector<Control*> WindowModel::controls() {
    std::vector<Control*> all{&TabStrip1, &Command1,   &Command2, &Command3, &Command4,
                              &Command6,  &Command5,   &Picture1, &Label1,   &Label2,
                              &Frame1,    &StatusBar1, &Picture2};
    for (auto& label : frameLabels_) {
        all.push_back(label.get());
    }
    return all;
}

std::vector<Label*> WindowModel::valueLabels() {
    std::vector<Label*> labels;
    for (auto* array : {&u, &i, &p, &q, &s, &pf}) {
        labels.insert(labels.end(), array->begin(), array->end());
    }
    labels.insert(labels.end(), phase.begin(), phase.end());
    labels.push_back(freq);
    labels.push_back(isum);
    return labels;
}

std::array<Button*, 6> WindowModel::buttons() {
    return {&Command1, &Command2, &Command3, &Command4, &Command6, &Command5};
}

}  // namespace pm
