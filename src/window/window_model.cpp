#include "window/window_model.h"

#include <utility>

namespace pm {

Control::Control(ControlKind kind, std::string name, int index, Rect geometry, int tabIndex,
                 const Control* parent)
    : kind_(kind),
      name_(std::move(name)),
      index_(index),
      geometry_(geometry),
      tabIndex_(tabIndex),
      parent_(parent) {}

void Control::changed() {
    if (observer_ != nullptr) {
        observer_->controlChanged(*this);
    }
}

void Control::setGeometry(Rect r) {
    if (r == geometry_) {
        return;
    }
    geometry_ = r;
    changed();
}

void Control::setVisible(bool on) {
    if (on == visible_) {
        return;
    }
    visible_ = on;
    changed();
}

void Control::setEnabled(bool on) {
    if (on == enabled_) {
        return;
    }
    enabled_ = on;
    changed();
}

Label::Label(std::string name, int index, Rect geometry, int tabIndex, const Control* parent,
             std::string caption, Style style)
    : Control(ControlKind::Label, std::move(name), index, geometry, tabIndex, parent),
      caption_(std::move(caption)),
      style_(std::move(style)) {}

void Label::setCaption(std::string text) {
    if (text == caption_) {
        return;
    }
    caption_ = std::move(text);
    changed();
}

Button::Button(std::string name, Rect geometry, int tabIndex, std::string caption, int iconPixels,
               const Control* parent, int index)
    : Control(ControlKind::Button, std::move(name), index, geometry, tabIndex, parent),
      caption_(std::move(caption)),
      iconPixels_(iconPixels) {}

Choice::Choice(ControlKind kind, std::string name, int index, Rect geometry, int tabIndex,
               const Control* parent, std::string caption, FontSpec font)
    : Control(kind, std::move(name), index, geometry, tabIndex, parent),
      caption_(std::move(caption)),
      font_(std::move(font)) {}

void Choice::setValue(bool on) {
    if (on == value_) {
        return;
    }
    value_ = on;
    changed();
}

void chooseOption(std::span<Choice* const> group, int index) {
    if (index < 0 || index >= static_cast<int>(group.size())) {
        return;
    }
    for (std::size_t k = 0; k < group.size(); ++k) {
        group[k]->setValue(static_cast<int>(k) == index);
    }
}

int chosenOption(std::span<Choice* const> group) {
    for (std::size_t k = 0; k < group.size(); ++k) {
        if (group[k]->value()) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

TextBox::TextBox(std::string name, int index, Rect geometry, int tabIndex, const Control* parent,
                 FontSpec font)
    : Control(ControlKind::TextBox, std::move(name), index, geometry, tabIndex, parent),
      font_(std::move(font)) {}

Chart::Chart(std::string name, Rect geometry, int tabIndex, const Control* parent)
    : Control(ControlKind::Chart, std::move(name), -1, geometry, tabIndex, parent) {}

void Chart::setLines(std::vector<Line> lines, double xFrom, double xTo) {
    lines_ = std::move(lines);
    xFrom_ = xFrom;
    xTo_ = xTo;
    changed();
}

void TextBox::setText(std::string text) {
    if (text == text_) {
        return;
    }
    text_ = std::move(text);
    changed();
}

TabStrip::TabStrip(std::string name, Rect geometry, int tabIndex, std::vector<std::string> tabs,
                   FontSpec font)
    : Control(ControlKind::TabStrip, std::move(name), -1, geometry, tabIndex),
      tabs_(std::move(tabs)),
      font_(std::move(font)) {}

void TabStrip::select(int index) {
    if (index < 1 || index > static_cast<int>(tabs_.size()) || index == selected_) {
        return;
    }
    selected_ = index;
    changed();
}

StatusBar::StatusBar(std::string name, Rect geometry, int tabIndex, std::vector<Panel> panels,
                     FontSpec font)
    : Control(ControlKind::StatusBar, std::move(name), -1, geometry, tabIndex),
      panels_(std::move(panels)),
      font_(std::move(font)) {}

const std::string& StatusBar::panelText(int index) const {
    static const std::string none;
    if (index < 1 || index > static_cast<int>(panels_.size())) {
        return none;
    }
    return panels_[static_cast<std::size_t>(index - 1)].text;
}

ListTable::ListTable(std::string name, Rect geometry, int tabIndex, const Control* parent,
                     std::vector<std::string> columns, FontSpec font)
    : Control(ControlKind::ListTable, std::move(name), -1, geometry, tabIndex, parent),
      columns_(std::move(columns)),
      font_(std::move(font)) {}

void ListTable::setRows(std::vector<std::vector<std::string>> rows) {
    rows_ = std::move(rows);
    selected_ = -1;
    changed();
}

void ListTable::select(int row) {
    const int picked = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
    if (picked != selected_) {
        selected_ = picked;
        changed();
    }
}

void StatusBar::setPanelText(int index, std::string text) {
    if (index < 1 || index > static_cast<int>(panels_.size())) {
        return;
    }
    std::string& current = panels_[static_cast<std::size_t>(index - 1)].text;
    if (current == text) {
        return;
    }
    current = std::move(text);
    changed();
}

Timer::Timer(std::string name, int intervalMs, bool enabled)
    : name_(std::move(name)), intervalMs_(intervalMs), enabled_(enabled) {}

void Timer::setEnabled(bool on) {
    if (on == enabled_) {
        return;
    }
    enabled_ = on;
    if (scheduler_ == nullptr) {
        return;
    }
    if (on) {
        scheduler_->startTimer(handle_, intervalMs_);
    } else {
        scheduler_->stopTimer(handle_);
    }
}

void Timer::restart() {
    setEnabled(false);
    setEnabled(true);
}

void Timer::bind(Scheduler& scheduler, Scheduler::Callback tick) {
    scheduler_ = &scheduler;
    handle_ = scheduler.addTimer(std::move(tick));
    if (enabled_) {
        scheduler.startTimer(handle_, intervalMs_);
    }
}

}  // namespace pm
