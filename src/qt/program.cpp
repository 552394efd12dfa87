#include "qt/program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

#include "adapters/qt_number_format.h"
#include "adapters/serial_port_names.h"
#include "qt/fonts.h"

namespace pm {

void prepareApplication() {
    installFontSubstitutions();
    // The window speaks Chinese whatever the system language, so Qt's dialogs should as well.
    auto* translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    }
}

Program::Program(std::unique_ptr<Archive> archive)
    : archive_(std::move(archive)),
      surface_(new QtDrawingSurface(toPixels(WindowModel::kPicture2Geometry).size())),
      wiringSurface_(new QtDrawingSurface(toPixels(WindowModel::kPicture3Geometry).size())),
      grid_(new QtGrid),
      form_(std::make_unique<Form1>(PlatformSet{
          scheduler_, clock_, *surface_, *wiringSurface_, serial_, *grid_, desktop_, dialog_,
          files_, snapshot_, workbook_, printer_, trendLog_, chartSnapshot_,
          numberFormatOf(QLocale::system()), archive_.get(), portDeviceName, &documents_})),
      window_(
          std::make_unique<MainWindow>(*form_, PlatformWidgets{surface_, wiringSurface_, grid_})) {
    desktop_.setWindow(window_.get());
    dialog_.setWindow(window_.get());
    snapshot_.setWindow(window_.get());
    chartSnapshot_.setWindow(window_->widgetFor(form_->window().Chart1));
    form_->Form_Load();
}

void Program::show() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window_->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window_->move(frame.topLeft());
    }
    window_->show();
}

}  // namespace pm
