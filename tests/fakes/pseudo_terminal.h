#pragma once

// Pseudo-terminals for the serial tests: the test holds the master end, the adapter opens the
// device the way it opens any serial port. Every test also sets PHASEMETER_PORTS, so no test
// ever reaches a real serial device.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QtTest/QTest>
#include <cstdlib>
#include <functional>
#include <optional>

namespace pm::testing {

// Sets an environment variable for one scope and puts back what was there.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name),
          old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (old_) {
            qputenv(name_, *old_);
        } else {
            qunsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<QByteArray> old_;
};

class PseudoTerminal {
  public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            return;
        }
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        const char* name = ::ptsname(master_);
        if (name == nullptr) {
            return;
        }
        path_ = QString::fromLocal8Bit(name);
        // Held open for the terminal's whole life: a pty whose slave end is closed by everyone
        // forgets its settings.
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios raw{};
        if (slave_ >= 0 && ::tcgetattr(slave_, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(slave_, TCSANOW, &raw);
        }
    }
    ~PseudoTerminal() {
        closeMaster();
        if (slave_ >= 0) {
            ::close(slave_);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return master_ >= 0 && slave_ >= 0 && !path_.isEmpty(); }
    const QString& path() const { return path_; }
    int slaveFd() const { return slave_; }

    // The device vanishes, as an unplugged USB adapter does.
    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    bool write(const QByteArray& bytes) {
        return ::write(master_, bytes.constData(), static_cast<size_t>(bytes.size())) ==
               bytes.size();
    }

    // What the adapter sent, gathered while the event loop runs, until `count` bytes came or
    // the time is up.
    QByteArray read(qsizetype count, int timeoutMs = 2000) {
        QByteArray got;
        const QDeadlineTimer deadline(timeoutMs);
        while (got.size() < count && !deadline.hasExpired()) {
            QTest::qWait(5);
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, n);
            }
        }
        return got;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

// Runs the event loop until `done` holds or the time is up; returns whether it holds.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

}  // namespace pm::testing
