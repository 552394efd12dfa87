#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace pm::testing {

// Remembers every message box, beep and quit instead of showing anything.
class FakeDesktop final : public Desktop {
  public:
    struct Message {
        MessageIcon icon;
        std::string title;
        std::string text;
    };
    std::vector<Message> messages;
    int beeps = 0;
    int quits = 0;
    // Runs while a box is "open", to check what the handler did before showing it.
    std::function<void()> whileShown;

    void showMessage(MessageIcon icon, const std::string& title, const std::string& text) override {
        messages.push_back({icon, title, text});
        if (whileShown) {
            whileShown();
        }
    }
    // Questions asked, each answered with `answer`.
    std::vector<std::string> questions;
    bool answer = true;
    bool confirm(const std::string& title, const std::string& text) override {
        questions.push_back(title + ": " + text);
        return answer;
    }
    // Choices offered, each answered with `choice` (-1: went back).
    std::vector<std::string> choices;
    int choice = -1;
    int choose(const std::string& title, const std::string& text,
               const std::vector<std::string>&) override {
        choices.push_back(title + ": " + text);
        return choice;
    }
    void beep() override { ++beeps; }
    void quit() override { ++quits; }
};

}  // namespace pm::testing
