#pragma once

#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "app/form1.h"

class QButtonGroup;
class QLabel;
class QTabBar;
class QToolButton;

namespace pm {

// Widgets of the platform adapters that the window shows in place of its design controls.
struct PlatformWidgets {
    QWidget* picture2 = nullptr;  // the phasor diagram's drawing surface
    QWidget* picture3 = nullptr;  // the wiring diagram's drawing surface
    QWidget* grid = nullptr;      // the history table, placed by its own geometry
};

// The real window: builds one widget per control of the window model, at its design place, and
// keeps each widget in step with its control. It holds no program logic: clicks and ticks go
// to Form1's handlers, and what the handlers change in the model shows up here.
class MainWindow final : public QWidget, private ControlObserver {
    Q_OBJECT
  public:
    MainWindow(Form1& form, PlatformWidgets adopted, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The widget built for a control, for the Qt layer's own adapters and for tests.
    QWidget* widgetFor(const Control& control) const;
    QWidget* gridWidget() const { return adopted_.grid; }
    QLabel* labelFor(const Label& label) const;
    QLabel* statusPanel(int index) const;  // 1-based, as the status bar counts them

  private:
    void controlChanged(const Control& control) override;
    void build();
    void connectEvents();
    void connectArchivePage();
    QWidget* buildControl(Control& control);
    QWidget* parentWidgetFor(const Control& control);
    void mirror(const Control& control);

    Form1& form_;
    PlatformWidgets adopted_;
    std::map<const Control*, QWidget*> widgets_;
    QTabBar* tabBar_ = nullptr;
    std::vector<QLabel*> statusPanels_;
    // One exclusive group per option-button array, by design name.
    std::map<std::string, QButtonGroup*> optionGroups_;
};

// Twips of the window design to pixels of the screen (15 twips a pixel at 96 dpi).
QRect toPixels(Rect twips);

}  // namespace pm
