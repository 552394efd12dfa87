#include "qt/qt_common_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QDir>

namespace pm {

QtCommonDialog::QtCommonDialog(QtPrinter& printer, QWidget* window)
    : printer_(printer), window_(window) {}

int QtCommonDialog::run(QDialog& dialog) const {
    return runner_ ? runner_(dialog) : dialog.exec();
}

QStringList QtCommonDialog::nameFilters(const std::vector<FileType>& fileTypes) {
    QStringList filters;
    for (const FileType& type : fileTypes) {
        QString filter = QString::fromStdString(type.caption);
        const QString pattern = QString::fromStdString(type.pattern);
        // Qt reads the patterns from the caption's parentheses; a caption that does not show its
        // pattern gets it appended, or the caption's words would be taken for patterns.
        if (!pattern.isEmpty() && !filter.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
            filter = filter.isEmpty() ? pattern
                                      : filter + QStringLiteral(" (") + pattern + QLatin1Char(')');
        }
        filters.append(filter);
    }
    return filters;
}

std::unique_ptr<QFileDialog> QtCommonDialog::makeSaveDialog(
    const SaveDialogSettings& settings) const {
    auto dialog = std::make_unique<QFileDialog>(window_.data());
    // Qt's own dialog everywhere: a desktop theme would otherwise swap in its own, which asks
    // before replacing a file and adds extensions of its own accord.
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // No default suffix: the caller adds the extension that fits the entry chosen.
    dialog->setDefaultSuffix(QString());
    const QStringList filters = nameFilters(settings.fileTypes);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty()) {
        const int entry = std::clamp(filterIndex_, 1, static_cast<int>(filters.size()));
        dialog->selectNameFilter(filters.at(entry - 1));
    }
    dialog->setDirectory(QString::fromStdString(settings.initialFolder));
    // After the filter: choosing a filter rewrites the extension of the name in the dialog.
    dialog->selectFile(QString::fromStdString(settings.fileName));
    return dialog;
}

std::optional<SaveChoice> QtCommonDialog::showSave(const SaveDialogSettings& settings) {
    const std::unique_ptr<QFileDialog> dialog = makeSaveDialog(settings);
    if (run(*dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) {
        return std::nullopt;
    }
    SaveChoice choice;
    choice.path = QDir::toNativeSeparators(files.first()).toStdString();
    const qsizetype chosen = dialog->nameFilters().indexOf(dialog->selectedNameFilter());
    // A dialog without a recognisable entry keeps the one it opened with.
    choice.fileTypeIndex = chosen >= 0 ? static_cast<int>(chosen) + 1 : std::max(filterIndex_, 1);
    filterIndex_ = choice.fileTypeIndex;
    return choice;
}

PrintChoice QtCommonDialog::showPrinter() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return {PrintDialogOutcome::Failed, "无法显示打印对话框"};
    }
    QPrinter& printer = printer_.qprinter();
    // The reports always print whole; a range left from an earlier run must not cut one short.
    printer.setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(&printer, window_.data());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (run(dialog) != QDialog::Accepted) {
        return {PrintDialogOutcome::Cancelled, {}};
    }
    if (!printer.isValid()) {
        return {PrintDialogOutcome::Failed,
                QStringLiteral("打印机 %1 不可用").arg(printer.printerName()).toStdString()};
    }
    return {PrintDialogOutcome::Accepted, {}};
}

}  // namespace pm
