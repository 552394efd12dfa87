#pragma once

#include <string>
#include <vector>

namespace pm {

enum class MessageIcon { Information, Warning, Critical };

// What the window needs of the desktop beyond its own controls: modal message boxes with a single
// OK button, the system beep, and ending the program.
class Desktop {
  public:
    virtual ~Desktop() = default;
    // Shows a modal box and returns when the user has closed it.
    virtual void showMessage(MessageIcon icon, const std::string& title,
                             const std::string& text) = 0;
    // Asks a yes/no question before something that cannot be undone; true for yes. Where nobody
    // can be asked, the answer is no.
    virtual bool confirm(const std::string& title, const std::string& text) {
        (void)title;
        (void)text;
        return false;
    }
    // Offers a choice of `buttons` besides going back; the index of the one chosen, or -1 when
    // the user went back. Where nobody can be asked, -1.
    virtual int choose(const std::string& title, const std::string& text,
                       const std::vector<std::string>& buttons) {
        (void)title;
        (void)text;
        (void)buttons;
        return -1;
    }
    virtual void beep() = 0;
    // Ends the program as soon as the current handler returns.
    virtual void quit() = 0;
};

}  // namespace pm
