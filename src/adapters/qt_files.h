#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QIODevice>
#include <QString>

#include "platform/files.h"

namespace pm {

// The save folder and text files on this computer. Every file is written next to its final
// place and renamed over it only once it is complete.
class QtFiles final : public Files {
  public:
    // With a home folder given, the save folder lies in it on every system (tests use this);
    // otherwise it is the user's home folder's, or the fixed one on Windows.
    explicit QtFiles(QString home = {});

    std::string saveFolder() const override;
    bool ensureFolder(const std::string& folder) override;
    WriteResult writeTextFile(const std::string& path,
                              const std::vector<std::string>& lines) override;

  private:
    QString saveFolder_;
};

// Writes a file through `write`, which returns false (after setting `error`) when it could not
// produce the content. The file appears under `path` only when everything was written; when a
// temporary file cannot be made beside it but the file itself is writable, it is written in place.
WriteResult writeFileAtomically(const QString& path,
                                const std::function<bool(QIODevice& out, QString& error)>& write);

// Bytes of the text in the system's encoding: UTF-8 on Linux, the ANSI code page on Windows.
QByteArray systemEncoded(const std::string& utf8);

}  // namespace pm
