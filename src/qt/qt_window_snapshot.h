#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "platform/snapshot.h"

namespace pm {

// A picture of the main window, grabbed from the widget itself rather than from the screen, so
// neither other windows nor the clipboard come into it.
class QtWindowSnapshot final : public WindowSnapshot {
  public:
    // The window to take; may be set after construction.
    void setWindow(QWidget* window) { window_ = window; }

    void take() override;
    WriteResult save(const std::string& path) override;

    // The picture taken last; null before the first one, or when there was no window to take.
    const QImage& picture() const { return picture_; }

    // The image format a file of this name is written in: "JPEG", "PNG" or "BMP".
    static QByteArray formatFor(const QString& path);

  private:
    QPointer<QWidget> window_;
    QImage picture_;
};

}  // namespace pm
