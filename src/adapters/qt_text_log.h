#pragma once

#include <QFile>

#include "platform/text_log.h"

namespace pm {

class QtTextLog final : public TextLog {
  public:
    WriteResult open(const std::string& path) override;
    WriteResult appendLine(const std::string& line) override;
    void close() override;
    bool isOpen() const override { return file_.isOpen(); }

  private:
    QFile file_;
};

}  // namespace pm
