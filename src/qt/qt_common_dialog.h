#pragma once

#include <functional>
#include <memory>

#include <QFileDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QStringList>
#include <QWidget>

#include "platform/common_dialog.h"
#include "qt/qt_printer.h"

namespace pm {

// The window's one common dialog: Qt's own file dialog for the saves (the same on every desktop,
// and an existing file is replaced without a question) and Qt's print dialog for the printer.
class QtCommonDialog final : public CommonDialog {
  public:
    // Runs a dialog that is set up and ready in place of QDialog::exec and returns its result
    // code; tests answer the dialog through it without a modal event loop.
    using DialogRunner = std::function<int(QDialog& dialog)>;

    explicit QtCommonDialog(QtPrinter& printer, QWidget* window = nullptr);

    // The window the dialogs are modal to; may be set after construction.
    void setWindow(QWidget* window) { window_ = window; }
    // An empty runner (the default) shows the dialogs modally.
    void setDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }

    int filterIndex() const override { return filterIndex_; }
    std::optional<SaveChoice> showSave(const SaveDialogSettings& settings) override;
    PrintChoice showPrinter() override;

    // The save dialog as showSave shows it for these settings.
    std::unique_ptr<QFileDialog> makeSaveDialog(const SaveDialogSettings& settings) const;

    // The name filters the dialog lists for these file types, one per type, in order.
    static QStringList nameFilters(const std::vector<FileType>& fileTypes);

  private:
    int run(QDialog& dialog) const;

    QtPrinter& printer_;
    QPointer<QWidget> window_;
    DialogRunner runner_;
    int filterIndex_ = 0;
};

}  // namespace pm
