#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "platform/scheduler.h"

class QTimer;

namespace pm {

// Timers of the real event loop: each handle is a QTimer on the GUI thread.
class QtScheduler final : public Scheduler {
  public:
    QtScheduler();
    ~QtScheduler() override;

    Handle addTimer(Callback tick) override;
    void startTimer(Handle timer, int intervalMs) override;
    void stopTimer(Handle timer) override;

  private:
    std::vector<std::unique_ptr<QTimer>> timers_;
};

}  // namespace pm
