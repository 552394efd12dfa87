#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/chart_point.h"
#include "core/colour.h"
#include "core/font.h"
#include "core/twips.h"
#include "platform/scheduler.h"
#include "window/trend_quantities.h"

namespace pm {

enum class Align { Left, Centre };

class Control;

// The toolkit layer watches the model through this, and mirrors each change into its widget.
class ControlObserver {
  public:
    virtual ~ControlObserver() = default;
    virtual void controlChanged(const Control& control) = 0;
};

enum class ControlKind {
    Label,
    Button,
    Container,
    PictureBox,
    DrawingSurface,
    TabStrip,
    StatusBar,
    OptionButton,
    CheckBox,
    TextBox,
    Chart,
    ListTable
};

class Control {
  public:
    Control(ControlKind kind, std::string name, int index, Rect geometry, int tabIndex,
            const Control* parent = nullptr);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    ControlKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }  // member of a control array, or -1
    Rect geometry() const { return geometry_; }
    void setGeometry(Rect r);
    int tabIndex() const { return tabIndex_; }
    const Control* parent() const { return parent_; }  // nullptr: the window's client area

    bool visible() const { return visible_; }
    void setVisible(bool on);
    // A disabled control is shown greyed and takes no input.
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);

    void setObserver(ControlObserver* observer) { observer_ = observer; }

  protected:
    void changed();

  private:
    ControlKind kind_;
    std::string name_;
    int index_;
    Rect geometry_;
    int tabIndex_;
    const Control* parent_;
    bool visible_ = true;
    bool enabled_ = true;
    ControlObserver* observer_ = nullptr;
};

class Label final : public Control {
  public:
    struct Style {
        FontSpec font;
        Colour foreground = kBlack;
        std::optional<Colour> background;  // none: the window's own
        Align align = Align::Left;
        bool border = false;
        bool wrap = false;  // long captions break into lines at the label's width
    };
    Label(std::string name, int index, Rect geometry, int tabIndex, const Control* parent,
          std::string caption, Style style);

    const std::string& caption() const { return caption_; }
    void setCaption(std::string text);
    const Style& style() const { return style_; }

  private:
    std::string caption_;
    Style style_;
};

class Button final : public Control {
  public:
    // A button without an icon (iconPixels 0) shows its caption alone.
    Button(std::string name, Rect geometry, int tabIndex, std::string caption, int iconPixels,
           const Control* parent = nullptr, int index = -1);
    const std::string& caption() const { return caption_; }
    int iconPixels() const { return iconPixels_; }

  private:
    std::string caption_;
    int iconPixels_;
};

// An option button or a check box: a caption beside a chosen flag. The option buttons of one
// control array are a group; the handlers keep exactly one of them chosen (chooseOption).
class Choice final : public Control {
  public:
    Choice(ControlKind kind, std::string name, int index, Rect geometry, int tabIndex,
           const Control* parent, std::string caption, FontSpec font);
    const std::string& caption() const { return caption_; }
    const FontSpec& font() const { return font_; }
    bool value() const { return value_; }
    void setValue(bool on);

  private:
    std::string caption_;
    FontSpec font_;
    bool value_ = false;
};

// Chooses option `index` of a group and clears the others; an index outside it changes nothing.
void chooseOption(std::span<Choice* const> group, int index);
// Index of the chosen option of a group, or -1 when none is.
int chosenOption(std::span<Choice* const> group);

// A one-line text the user types into.
class TextBox final : public Control {
  public:
    TextBox(std::string name, int index, Rect geometry, int tabIndex, const Control* parent,
            FontSpec font);
    const std::string& text() const { return text_; }
    void setText(std::string text);
    const FontSpec& font() const { return font_; }

  private:
    std::string text_;
    FontSpec font_;
};

// A table of rows to pick one from: column headings, rows of texts, the row picked (-1: none).
class ListTable final : public Control {
  public:
    ListTable(std::string name, Rect geometry, int tabIndex, const Control* parent,
              std::vector<std::string> columns, FontSpec font);
    const std::vector<std::string>& columns() const { return columns_; }
    const std::vector<std::vector<std::string>>& rows() const { return rows_; }
    const FontSpec& font() const { return font_; }
    // Replaces every row; no row is picked afterwards.
    void setRows(std::vector<std::vector<std::string>> rows);
    int selectedRow() const { return selected_; }
    // Picks a row; a row outside the table picks none.
    void select(int row);

  private:
    std::vector<std::string> columns_;
    std::vector<std::vector<std::string>> rows_;
    FontSpec font_;
    int selected_ = -1;
};

class TabStrip final : public Control {
  public:
    TabStrip(std::string name, Rect geometry, int tabIndex, std::vector<std::string> tabs,
             FontSpec font);
    const std::vector<std::string>& tabs() const { return tabs_; }
    const FontSpec& font() const { return font_; }
    int selectedIndex() const { return selected_; }  // 1-based, as the handlers count tabs
    void select(int index);

  private:
    std::vector<std::string> tabs_;
    FontSpec font_;
    int selected_ = 1;
};

class StatusBar final : public Control {
  public:
    struct Panel {
        std::string text;
        int width = 0;  // twips
    };
    StatusBar(std::string name, Rect geometry, int tabIndex, std::vector<Panel> panels,
              FontSpec font);
    const std::vector<Panel>& panels() const { return panels_; }
    const FontSpec& font() const { return font_; }
    // Panels are addressed by 1-based index; an index outside the bar is ignored.
    const std::string& panelText(int index) const;
    void setPanelText(int index, std::string text);

  private:
    std::vector<Panel> panels_;
    FontSpec font_;
};

// A chart of lines over time: what it shows, already thinned to the width it is drawn at. The
// toolkit layer draws it, the times in local time; the x values are seconds since the epoch.
class Chart final : public Control {
  public:
    using Point = ChartPoint;
    struct Line {
        std::string name;
        std::vector<Point> points;
    };
    Chart(std::string name, Rect geometry, int tabIndex, const Control* parent);
    const std::vector<Line>& lines() const { return lines_; }
    double xFrom() const { return xFrom_; }
    double xTo() const { return xTo_; }
    // Replaces every line and the time span at once: one change, one repaint.
    void setLines(std::vector<Line> lines, double xFrom, double xTo);

  private:
    std::vector<Line> lines_;
    double xFrom_ = 0;
    double xTo_ = 60;
};

// A timer of the window: an interval and an enabled flag. Enabling a disabled timer starts a
// full interval from that moment; enabling one that already runs leaves its rhythm alone.
class Timer {
  public:
    Timer(std::string name, int intervalMs, bool enabled);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }
    int interval() const { return intervalMs_; }
    // Takes effect the next time the timer is started.
    void setInterval(int ms) { intervalMs_ = ms; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    // Starts a full interval from now, whether the timer ran or not.
    void restart();

    // Hands the timer to a scheduler; from then on ticks call `tick`. Starts it if enabled.
    void bind(Scheduler& scheduler, Scheduler::Callback tick);

  private:
    std::string name_;
    int intervalMs_;
    bool enabled_;
    Scheduler* scheduler_ = nullptr;
    Scheduler::Handle handle_ = -1;
};

// Form1 as designed, before any code runs. Names are the design names, so that every handler
// reads like the window it acts on.
struct WindowModel {
    WindowModel();
    WindowModel(const WindowModel&) = delete;
    WindowModel& operator=(const WindowModel&) = delete;

    static constexpr const char* kTitle = "3-PHASE DIGITAL PHASE METER";
    static constexpr int kClientWidth = 13605;
    static constexpr int kClientHeight = 10035;
    // Place of the phasor diagram within Frame1; its drawing surface is made before the window.
    static constexpr Rect kPicture2Geometry{8400, 3600, 2535, 2415};
    // Place of the wiring diagram within Frame2; likewise made before the window.
    static constexpr Rect kPicture3Geometry{8040, 240, 3480, 3480};

    TabStrip TabStrip1;
    Button Command1, Command2, Command3, Command4, Command6, Command5;
    Control Picture1;
    Label Label1, Label2;
    // Above the tabs: the current site and the download the history table shows.
    Label archiveLine;
    Control Frame1;  // the real-time panel; the history table lies over the same place
    StatusBar StatusBar1;

    // Children of Frame1.
    Control Picture2;
    std::array<Label*, 3> u{}, i{}, p{}, q{}, s{}, pf{};
    std::array<Label*, 9> phase{};
    Label* freq = nullptr;
    Label* isum = nullptr;
    std::array<Label*, 22> Label3{};

    // The wiring check page, in the same place as Frame1 and the history table.
    Control Frame2;
    // Children of Frame2: the options on the left, the results in the middle, the diagram on the
    // right.
    Control Picture3;
    Button Command7;                   // 实时: back from a stored record to the live data
    std::array<Choice*, 2> Option1{};  // 接线方式: 三相四线, 三相三线
    std::array<Choice*, 4> Option2{};  // 负载角: 感性0~60°, 感性0~30°, 容性-60~0°, from/to
    std::array<Choice*, 2> Option3{};  // 功率方向: 受电, 送电
    std::array<Choice*, 4> Option4{};  // b相端子: 未知, 1, 2, 3
    Choice* Check1 = nullptr;          // 经PT接入
    std::array<TextBox*, 4> Text1{};   // load angle from and to, average power factor, 抄见电量
    Label* source = nullptr;           // 实时数据 or 记录 NO.n
    Label* sequence = nullptr;
    Label* confidence = nullptr;
    Label* conclusion = nullptr;
    Label* kValue = nullptr;    // the correction factor, large
    Label* kMeaning = nullptr;  // 正确, 少计, 多计, ...
    std::array<Label*, 3> alternative{};
    Label* notes = nullptr;      // further factors, the energy to refund, warnings
    std::vector<Label*> Label4;  // static captions of Frame2
    // The 抄见电量 caption, which names the register difference while the site's ratios apply.
    Label* meteredEnergyCaption = nullptr;
    static constexpr const char* kMeteredEnergyCaption = "抄见电量";
    static constexpr const char* kRegisterDifferenceCaption = "抄见电量(表码差)";
    // Shown only while the page has a site with both ratios: the multiplier beside K, and the
    // primary values in a small table below the options.
    Label* multiplierCaption = nullptr;  // 倍率:
    Label* multiplier = nullptr;
    Label* primaryRows = nullptr;     // the table's row captions: 一次, 1, 2, 3, 合计
    std::array<Label*, 5> primary{};  // its columns: U/V, I/A, P/kW, Q/kvar, S/kVA
    // Filing the check shown: 检查人, 备注, 存档 and what it made of it.
    TextBox* inspector = nullptr;
    TextBox* inspectionNote = nullptr;
    Button* Command18 = nullptr;
    Button* Command19 = nullptr;  // 报告: the record of the check filed, as PDF or on paper
    Label* filedMessage = nullptr;

    // The trend page, in the same place again: the quantities to draw and the span on the left,
    // the chart with the latest values beside it, the recording's buttons above.
    Control Frame3;
    Chart Chart1;
    Button Command8;                                        // 开始记录
    Button Command9;                                        // 停止记录
    std::array<Choice*, kTrendQuantities.size()> Check2{};  // the quantities, in that order
    std::array<Choice*, 5> Option5{};  // 1, 5, 15, 60 minutes, the whole recording
    Label* latest = nullptr;           // the latest value of each quantity drawn

    // The archive page, in the same place again: the sites with their search on the left, the
    // site's form at the top right, its downloads and inspections below it.
    Control Frame4;
    TextBox* siteSearch = nullptr;
    ListTable* siteList = nullptr;  // 户名, 户号, 表号
    // 户名, 户号, 地址, 表号, 电能表型号, CT 变比, PT 变比, 备注
    std::array<TextBox*, 8> siteField{};
    std::array<Choice*, 2> Option6{};     // the site's 接线方式: 三相四线, 三相三线
    Label* siteMessage = nullptr;         // what saving the form made of it
    Button* Command10 = nullptr;          // 新建现场
    Button* Command11 = nullptr;          // 保存现场
    Button* Command12 = nullptr;          // 删除现场
    Button* Command13 = nullptr;          // 设为当前现场
    ListTable* downloadList = nullptr;    // 日期, 记录, 状态
    Button* Command14 = nullptr;          // 打开下载
    Button* Command15 = nullptr;          // 删除下载
    ListTable* inspectionList = nullptr;  // 日期, 结论, K, 检查人
    Button* Command16 = nullptr;          // 打开检查
    Button* Command17 = nullptr;          // 删除检查
    Button* Command20 = nullptr;          // 报告 of the inspection chosen

    Timer Findcom, COMtimout, Readdat, comunication, Timer1;
    // Runs out when the reply to the request sent last has not come in time (no design control:
    // the line's own watch, started by every request).
    Timer replyWait;
    // Shows how a read ended, once the event that ended it has returned: a message box opened
    // inside the receive event would hold back every reply until it is closed.
    Timer readReport;
    // Likewise says that the archive failed, once the event that found it has returned.
    Timer archiveReport;

    // Every control, parents before their children: top-level ones in design order, the children
    // of Frame1, Frame2 and then its children.
    std::vector<Control*> controls();
    std::vector<Label*> valueLabels();
    std::array<Button*, 6> buttons();

  private:
    void designWiringPage(int& tab);
    void designTrendPage(int& tab);
    void designArchivePage(int& tab);

    std::vector<std::unique_ptr<Label>> frameLabels_;
    std::vector<std::unique_ptr<Control>> wiringControls_;   // Frame2's children, in design order
    std::vector<std::unique_ptr<Control>> trendControls_;    // Frame3's children, in design order
    std::vector<std::unique_ptr<Control>> archiveControls_;  // Frame4's children, in design order
};

}  // namespace pm
