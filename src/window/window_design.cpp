// The window as designed: every control with its place, caption and look. Values are twips.
#include <string_view>

#include "window/window_model.h"

namespace pm {
namespace {

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

// The wiring page's captions are in a bold face, whose Chinese characters are a square a little
// wider than Frame1's rule allows: 225 twips for those, 120 for the narrow ones.
int boldCaptionWidth(std::string_view text) {
    int width = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c < 0x80u) {
            width += 120;
        } else if ((c & 0xC0u) != 0x80u) {
            width += 225;
        }
    }
    return width;
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

// Frame2 follows every control of Frame1 in tab order; the 实时 button comes after every
// control of its page.
constexpr int kFrame2Tab = 64;
constexpr int kCommand7Tab = 200;
// The trend page's controls follow the wiring page's.
constexpr int kFrame3Tab = 300;
// The archive page's controls follow the trend page's.
constexpr int kFrame4Tab = 400;

constexpr Colour kWhite = rgbColour(255, 255, 255);
constexpr Colour kDarkBlue = rgbColour(0, 0, 160);
constexpr int kAngleTops[3] = {3720, 4560, 5400};

}  // namespace

WindowModel::WindowModel()
    : TabStrip1("TabStrip1", {600, 1800, 12375, 7455}, 0,
                {"实时监控", "历史查询", "接线判断", "趋势记录", "现场档案"}, songFont(12, true)),
      Command1("Command1", {720, 480, 1455, 855}, 1, "读取", 32),
      Command2("Command2", {2400, 480, 1335, 855}, 2, "保存", 32),
      Command3("Command3", {3960, 480, 1335, 855}, 3, "清空", 32),
      Command4("Command4", {5520, 480, 1335, 855}, 4, "打印", 32),
      Command6("Command6", {7080, 480, 1335, 855}, 9, "帮助", 24),
      Command5("Command5", {8640, 480, 1335, 855}, 5, "关闭", 32),
      Picture1(ControlKind::PictureBox, "Picture1", -1, {10200, 360, 1170, 1050}, 6),
      Label1("Label1", -1, {11520, 480, 1215, 375}, 7, nullptr, "串口状态", statusStyle()),
      Label2("Label2", -1, {11520, 960, 1215, 375}, 8, nullptr, "通信失败", statusStyle()),
      archiveLine("archiveLine", -1, {720, 1400, 12255, 330}, kFrame4Tab - 1, nullptr, "",
                  Label::Style{songFont(10.5, false), kBlack, std::nullopt, Align::Left, false}),
      Frame1(ControlKind::Container, "Frame1", -1, {960, 2280, 11655, 6735}, 11),
      StatusBar1("StatusBar1", {0, 9540, 13605, 495}, 10,
                 {{"data", 1440}, {"智能型三钳相位伏安表", 10600}, {"time", 1440}},
                 songFont(9.75, true)),
      Picture2(ControlKind::DrawingSurface, "Picture2", -1, kPicture2Geometry, 12, &Frame1),
      Frame2(ControlKind::Container, "Frame2", -1, Frame1.geometry(), kFrame2Tab),
      Picture3(ControlKind::DrawingSurface, "Picture3", -1, kPicture3Geometry, kFrame2Tab + 1,
               &Frame2),
      Command7("Command7", {6840, 150, 1020, 450}, kCommand7Tab, "实时", 0, &Frame2),
      Frame3(ControlKind::Container, "Frame3", -1, Frame1.geometry(), kFrame3Tab),
      Chart1("Chart1", {1320, 600, 8160, 6000}, kFrame3Tab + 1, &Frame3),
      Command8("Command8", {240, 100, 1320, 420}, kFrame3Tab + 2, "开始记录", 0, &Frame3),
      Command9("Command9", {1680, 100, 1320, 420}, kFrame3Tab + 3, "停止记录", 0, &Frame3),
      Frame4(ControlKind::Container, "Frame4", -1, Frame1.geometry(), kFrame4Tab),
      Findcom("Findcom", 500, false),
      COMtimout("COMtimout", 1000, true),
      Readdat("Readdat", 100, false),
      comunication("comunication", 1000, true),
      Timer1("Timer1", 1000, true),
      replyWait("replyWait", 1, false),
      readReport("readReport", 1, false),
      archiveReport("archiveReport", 1, false) {
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

    // Only the third tab shows the wiring page.
    Frame2.setVisible(false);
    tab = kFrame2Tab + 2;
    designWiringPage(tab);
    Frame3.setVisible(false);
    tab = kFrame3Tab + 4;
    designTrendPage(tab);
    Frame4.setVisible(false);
    tab = kFrame4Tab + 1;
    designArchivePage(tab);
}

// Left, the search and the sites found; top right, the chosen site's form; below it, the site's
// downloads and inspections, each with its buttons. Places are within Frame4.
void WindowModel::designArchivePage(int& tab) {
    const FontSpec plain = songFont(10.5, false);
    auto keep = [this](auto control) {
        auto* raw = control.get();
        archiveControls_.push_back(std::move(control));
        return raw;
    };
    const Label::Style captionStyle{plain, kBlack, std::nullopt, Align::Left, false};
    auto caption = [&](const char* text, Rect r) {
        keep(std::make_unique<Label>("siteCaption", -1, r, tab++, &Frame4, text, captionStyle));
    };
    auto button = [&](const char* name, Rect r, const char* text) {
        return keep(std::make_unique<Button>(name, r, tab++, text, 0, &Frame4));
    };
    auto list = [&](const char* name, Rect r, std::vector<std::string> columns) {
        return keep(
            std::make_unique<ListTable>(name, r, tab++, &Frame4, std::move(columns), plain));
    };

    caption("查找", {240, 180, 600, 285});
    siteSearch = keep(std::make_unique<TextBox>("siteSearch", -1, Rect{840, 150, 3000, 330}, tab++,
                                                &Frame4, plain));
    siteList = list("siteList", {240, 600, 3600, 5880}, {"户名", "户号", "表号"});

    // Two columns of fields, then the note across both.
    constexpr const char* kFields[8] = {"户名",       "户号",    "地址",    "表号",
                                        "电能表型号", "CT 变比", "PT 变比", "备注"};
    for (int k = 0; k < 8; ++k) {
        const int column = k < 4 ? 0 : 1;
        const int row = k < 4 ? k : k - 4;
        const int left = 4080 + column * 3720;
        const int top = 150 + row * 390;
        const int width = k == 7 ? 2160 : 2400;
        caption(kFields[k], {left, top + 30, 1140, 285});
        siteField[static_cast<std::size_t>(k)] = keep(std::make_unique<TextBox>(
            "siteField", k, Rect{left + 1140, top, width, 330}, tab++, &Frame4, plain));
    }
    caption("接线方式", {4080, 1770, 1140, 285});
    Option6 = {keep(std::make_unique<Choice>(ControlKind::OptionButton, "Option6", 0,
                                             Rect{5220, 1740, 1320, 300}, tab++, &Frame4,
                                             "三相四线", plain)),
               keep(std::make_unique<Choice>(ControlKind::OptionButton, "Option6", 1,
                                             Rect{6660, 1740, 1320, 300}, tab++, &Frame4,
                                             "三相三线", plain))};
    chooseOption(Option6, 0);
    siteMessage = keep(std::make_unique<Label>(
        "siteMessage", -1, Rect{8100, 1740, 3315, 600}, tab++, &Frame4, "",
        Label::Style{plain, kBlack, std::nullopt, Align::Left, false, true}));
    Command10 = button("Command10", {4080, 2400, 1560, 420}, "新建现场");
    Command11 = button("Command11", {5760, 2400, 1560, 420}, "保存现场");
    Command12 = button("Command12", {7440, 2400, 1560, 420}, "删除现场");
    Command13 = button("Command13", {9120, 2400, 2295, 420}, "设为当前现场");

    downloadList = list("downloadList", {4080, 3000, 3540, 3180}, {"日期", "记录", "状态"});
    Command14 = button("Command14", {4080, 6270, 1680, 420}, "打开下载");
    Command15 = button("Command15", {5940, 6270, 1680, 420}, "删除下载");
    inspectionList =
        list("inspectionList", {7860, 3000, 3555, 3180}, {"日期", "结论", "K", "检查人"});
    Command16 = button("Command16", {7860, 6270, 1125, 420}, "打开检查");
    Command17 = button("Command17", {9075, 6270, 1125, 420}, "删除检查");
    Command20 = button("Command20", {10290, 6270, 1125, 420}, "报告");
}

void WindowModel::designTrendPage(int& tab) {
    const FontSpec plain = songFont(10.5, false);
    auto keep = [this](auto control) {
        auto* raw = control.get();
        trendControls_.push_back(std::move(control));
        return raw;
    };
    for (std::size_t k = 0; k < Check2.size(); ++k) {
        Check2[k] =
            keep(std::make_unique<Choice>(ControlKind::CheckBox, "Check2", static_cast<int>(k),
                                          Rect{240, 660 + 345 * static_cast<int>(k), 1020, 300},
                                          tab++, &Frame3, kTrendQuantities[k].name, plain));
    }
    constexpr const char* kSpans[5] = {"1分钟", "5分钟", "15分钟", "60分钟", "全部"};
    for (std::size_t k = 0; k < Option5.size(); ++k) {
        Option5[k] =
            keep(std::make_unique<Choice>(ControlKind::OptionButton, "Option5", static_cast<int>(k),
                                          Rect{3480 + 1140 * static_cast<int>(k), 160, 1080, 300},
                                          tab++, &Frame3, kSpans[k], plain));
    }
    latest =
        keep(std::make_unique<Label>("latest", -1, Rect{9600, 600, 1900, 6000}, tab++, &Frame3, "",
                                     Label::Style{plain, kBlack, kWhite, Align::Left, true, true}));
    // The design's choice: the three voltages over the last five minutes.
    for (std::size_t k = 0; k < 3; ++k) {
        Check2[k]->setValue(true);
    }
    chooseOption(Option5, 1);
}

// Left, the options the check needs; middle, what it found; right, the diagram with the notes
// below it. Places are within Frame2.
void WindowModel::designWiringPage(int& tab) {
    const FontSpec plain = songFont(10.5, false);
    const FontSpec bold = songFont(10.5, true);
    auto keep = [this](auto control) {
        auto* raw = control.get();
        wiringControls_.push_back(std::move(control));
        return raw;
    };
    auto caption = [&](const char* text, int left, int top) {
        Label::Style style{bold, kBlack, std::nullopt, Align::Left, false};
        Label4.push_back(keep(std::make_unique<Label>("Label4", static_cast<int>(Label4.size()),
                                                      Rect{left, top, boldCaptionWidth(text), 285},
                                                      tab++, &Frame2, text, style)));
    };
    auto option = [&](const char* name, int index, Rect r, const char* text) {
        return keep(std::make_unique<Choice>(ControlKind::OptionButton, name, index, r, tab++,
                                             &Frame2, text, plain));
    };
    auto textBox = [&](int index, Rect r) {
        return keep(std::make_unique<TextBox>("Text1", index, r, tab++, &Frame2, plain));
    };
    auto result = [&](const char* name, int index, Rect r, Label::Style style) {
        return keep(std::make_unique<Label>(name, index, r, tab++, &Frame2, "", style));
    };

    caption("接线方式", 240, 240);
    Option1 = {option("Option1", 0, {360, 540, 1320, 300}, "三相四线"),
               option("Option1", 1, {1800, 540, 1320, 300}, "三相三线")};
    caption("负载角", 240, 960);
    Option2 = {option("Option2", 0, {360, 1260, 1800, 300}, "感性0~60°"),
               option("Option2", 1, {360, 1560, 1800, 300}, "感性0~30°"),
               option("Option2", 2, {360, 1860, 1800, 300}, "容性-60~0°"),
               option("Option2", 3, {360, 2160, 480, 300}, "从")};
    Text1[0] = textBox(0, {840, 2145, 720, 330});
    caption("到", 1650, 2175);
    Text1[1] = textBox(1, {1920, 2145, 720, 330});
    caption("°", 2700, 2175);
    caption("功率方向", 240, 2580);
    Option3 = {option("Option3", 0, {360, 2880, 1320, 300}, "受电"),
               option("Option3", 1, {1800, 2880, 1320, 300}, "送电")};
    Check1 = keep(std::make_unique<Choice>(ControlKind::CheckBox, "Check1", -1,
                                           Rect{240, 3300, 2400, 300}, tab++, &Frame2,
                                           "经PT接入(三相四线)", plain));
    caption("b相端子(三相三线)", 240, 3720);
    Option4 = {option("Option4", 0, {360, 4020, 780, 300}, "未知"),
               option("Option4", 1, {1200, 4020, 540, 300}, "1"),
               option("Option4", 2, {1800, 4020, 540, 300}, "2"),
               option("Option4", 3, {2400, 4020, 540, 300}, "3")};
    caption("平均功率因数", 240, 4470);
    Text1[2] = textBox(2, {2040, 4440, 960, 330});
    caption(kMeteredEnergyCaption, 240, 4890);
    // Wide enough for the longer caption it takes with a site's ratios; no border or background
    // shows its extent.
    meteredEnergyCaption = Label4.back();
    meteredEnergyCaption->setGeometry({240, 4890, 1770, 285});
    Text1[3] = textBox(3, {2040, 4860, 960, 330});
    caption("kWh", 3060, 4890);
    // The design's choice: a four-wire installation drawing power at an inductive load.
    chooseOption(Option1, 0);
    chooseOption(Option2, 0);
    chooseOption(Option3, 0);
    chooseOption(Option4, 0);

    const Label::Style value{songFont(12, true), kBlack, kWhite, Align::Left, true};
    Label::Style wrapped = value;
    wrapped.wrap = true;
    Label::Style small{plain, kBlack, kWhite, Align::Left, true, true};
    caption("来源:", 3720, 270);
    source = result("source", -1, {4560, 210, 2160, 390}, value);
    caption("相序:", 3720, 780);
    sequence = result("sequence", -1, {4560, 720, 1440, 390}, value);
    caption("可信度:", 3720, 1230);
    confidence = result("confidence", -1, {4560, 1170, 2040, 390}, value);
    caption("结论:", 3720, 1680);
    conclusion = result("conclusion", -1, {4560, 1620, 3300, 900}, wrapped);
    caption("更正系数K", 3720, 2700);
    kValue = result("kValue", -1, {3720, 3000, 2280, 720},
                    {songFont(26, true), kDarkBlue, kWhite, Align::Centre, true});
    kMeaning = result("kMeaning", -1, {6120, 3000, 1740, 720},
                      {songFont(15, true), kDarkBlue, kWhite, Align::Centre, true});
    caption("备选:", 3720, 3900);
    for (int k = 0; k < 3; ++k) {
        alternative[static_cast<std::size_t>(k)] =
            result("alternative", k, {3720, 4200 + 640 * k, 4140, 600}, small);
    }
    notes = result("notes", -1, {8040, 3840, 3480, 2700}, small);

    // The site's ratios: the multiplier between the conclusion and the factor's meaning, and the
    // table of primary values in the free place below the options, one caption per column.
    caption("倍率:", 6120, 2640);
    multiplierCaption = Label4.back();
    multiplier = result("multiplier", -1, {6720, 2580, 1140, 390}, value);
    const Label::Style table{songFont(9, false), kBlack, kWhite, Align::Centre, false};
    primaryRows = keep(std::make_unique<Label>("primaryRows", -1, Rect{180, 5280, 420, 1380}, tab++,
                                               &Frame2, "一次\n1\n2\n3\n合计", table));
    for (int k = 0; k < 5; ++k) {
        primary[static_cast<std::size_t>(k)] =
            result("primary", k, {600 + 600 * k, 5280, 600, 1380}, table);
    }
    for (Label* label : {multiplierCaption, multiplier, primaryRows}) {
        label->setVisible(false);
    }
    for (Label* label : primary) {
        label->setVisible(false);
    }

    // Filing the check: the inspector beside 接线方式, 存档 below 实时, the note and what filing
    // made of it below the alternatives.
    caption("检查人", 1290, 210);
    inspector = keep(std::make_unique<TextBox>("inspector", -1, Rect{1980, 180, 1620, 330}, tab++,
                                               &Frame2, plain));
    Command18 = keep(std::make_unique<Button>("Command18", Rect{6660, 660, 1200, 450}, tab++,
                                              "存档", 0, &Frame2));
    Command19 = keep(std::make_unique<Button>("Command19", Rect{6660, 1140, 1200, 450}, tab++,
                                              "报告", 0, &Frame2));
    caption("备注", 3720, 6180);
    inspectionNote = keep(std::make_unique<TextBox>(
        "inspectionNote", -1, Rect{4260, 6150, 1620, 330}, tab++, &Frame2, plain));
    filedMessage = result("filedMessage", -1, {5940, 6150, 1920, 330},
                          {plain, kBlack, std::nullopt, Align::Left, false});
}

std::vector<Control*> WindowModel::controls() {
    std::vector<Control*> all{&TabStrip1, &Command1,   &Command2, &Command3, &Command4,
                              &Command6,  &Command5,   &Picture1, &Label1,   &Label2,
                              &Frame1,    &StatusBar1, &Picture2};
    for (auto& label : frameLabels_) {
        all.push_back(label.get());
    }
    all.insert(all.end(), {&Frame2, &Picture3, &Command7});
    for (auto& control : wiringControls_) {
        all.push_back(control.get());
    }
    all.insert(all.end(), {&Frame3, &Chart1, &Command8, &Command9});
    for (auto& control : trendControls_) {
        all.push_back(control.get());
    }
    all.push_back(&archiveLine);
    all.push_back(&Frame4);
    for (auto& control : archiveControls_) {
        all.push_back(control.get());
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
