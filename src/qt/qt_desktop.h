#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/desktop.h"

namespace pm {

// Message boxes over the main window, the system beep, and quitting through the event loop.
class QtDesktop final : public Desktop {
  public:
    // The window that message boxes are centred on and modal to; may be set after construction.
    void setWindow(QWidget* window) { window_ = window; }

    void showMessage(MessageIcon icon, const std::string& title, const std::string& text) override;
    bool confirm(const std::string& title, const std::string& text) override;
    int choose(const std::string& title, const std::string& text,
               const std::vector<std::string>& buttons) override;
    void beep() override;
    void quit() override;

  private:
    QPointer<QWidget> window_;
};

// Line breaks as the handlers write them (a bare CR, or CR LF) made into what Qt shows as one.
QString displayText(const std::string& text);

}  // namespace pm
