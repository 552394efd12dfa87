#include "qt/qt_desktop.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace pm {

QString displayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

void QtDesktop::showMessage(MessageIcon icon, const std::string& title, const std::string& text) {
    QMessageBox::Icon qtIcon = QMessageBox::Information;
    if (icon == MessageIcon::Warning) {
        qtIcon = QMessageBox::Warning;
    } else if (icon == MessageIcon::Critical) {
        qtIcon = QMessageBox::Critical;
    }
    QMessageBox box(qtIcon, QString::fromStdString(title), displayText(text), QMessageBox::Ok,
                    window_.data());
    box.exec();
}

bool QtDesktop::confirm(const std::string& title, const std::string& text) {
    // No is the default: a stray Enter deletes nothing.
    return QMessageBox::question(window_.data(), QString::fromStdString(title), displayText(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

int QtDesktop::choose(const std::string& title, const std::string& text,
                      const std::vector<std::string>& buttons) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), displayText(text),
                    QMessageBox::NoButton, window_.data());
    std::vector<QPushButton*> offered;
    for (const std::string& caption : buttons) {
        offered.push_back(box.addButton(QString::fromStdString(caption), QMessageBox::AcceptRole));
    }
    box.setEscapeButton(box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    if (!offered.empty()) {
        box.setDefaultButton(offered.front());
    }
    box.exec();
    for (std::size_t k = 0; k < offered.size(); ++k) {
        if (box.clickedButton() == offered[k]) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

void QtDesktop::beep() {
    QApplication::beep();
}

void QtDesktop::quit() {
    QCoreApplication::quit();
}

}  // namespace pm
