#include "qt/qt_desktop.h"

#include <QApplication>
#include <QMessageBox>

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

void QtDesktop::beep() {
    QApplication::beep();
}

void QtDesktop::quit() {
    QCoreApplication::quit();
}

}  // namespace pm
