#include <QApplication>

#include "qt/program.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("phasemeter"));
    pm::prepareApplication();
    pm::Program program;
    program.show();
    return QApplication::exec();
}
