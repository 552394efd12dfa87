#include "adapters/qt_serial_control.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <vector>

#include "fakes/pseudo_terminal.h"

namespace pm {
namespace {

using testing::PseudoTerminal;
using testing::ScopedEnv;
using testing::waitUntil;

QByteArray bytesOf(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// Bytes a cooked terminal would change or act on: CR, LF, ^C, XON, XOFF, DEL, NUL, 0xFF.
const QByteArray kAwkwardBytes("\xAA\x0D\x0A\x03\x11\x13\x7F\x00\xFF", 9);

class QtSerialControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.ok()) << "no pseudo-terminal";
        ports_.emplace("PHASEMETER_PORTS", QFile::encodeName(pty_.path()));
    }

    // Opens port 1 (the pseudo-terminal) and counts receive events.
    void openPort() {
        control_.setCommPort(1);
        ASSERT_EQ(control_.open(), OpenOutcome::Opened);
        ASSERT_TRUE(control_.portOpen());
        control_.setReceiveHandler([this] {
            ++events_;
            eventCodes_.push_back(control_.commEvent());
            received_.append(bytesOf(control_.input()));
        });
    }

    PseudoTerminal pty_;
    std::optional<ScopedEnv> ports_;
    QtSerialControl control_;
    int events_ = 0;
    std::vector<int> eventCodes_;
    QByteArray received_;
};

TEST_F(QtSerialControlTest, OpensAt9600EightNoneOneWithoutFlowControl) {
    openPort();
    termios settings{};
    ASSERT_EQ(::tcgetattr(pty_.slaveFd(), &settings), 0);
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_EQ(::cfgetispeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u);
    control_.close();
    EXPECT_FALSE(control_.portOpen());
}

TEST_F(QtSerialControlTest, OpenOutcomesOfMissingHeldAndLinkedDevices) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("meter"));
    ASSERT_TRUE(QFile::link(pty_.path(), link));
    const QString notATerminal = dir.filePath(QStringLiteral("plain-file"));
    {
        QFile file(notATerminal);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // Port 1 the device, 2 a link to it, 3 nothing, 4 a file that is no terminal, 5 empty.
    const QString list =
        pty_.path() + ':' + link + ';' + dir.filePath("missing") + ':' + notATerminal + ":";
    ports_.reset();
    ports_.emplace("PHASEMETER_PORTS", QFile::encodeName(list));

    QtSerialControl other;
    struct Case {
        const char* name;
        int port;
        OpenOutcome expected;
    };
    const Case whileFree[] = {
        {"through a link", 2, OpenOutcome::Opened},
        {"missing device", 3, OpenOutcome::NoSuchPort},
        {"not a terminal", 4, OpenOutcome::Failed},
        {"empty entry", 5, OpenOutcome::NoSuchPort},
        {"beyond the list", 6, OpenOutcome::NoSuchPort},
    };
    for (const Case& c : whileFree) {
        SCOPED_TRACE(c.name);
        other.setCommPort(c.port);
        EXPECT_EQ(other.open(), c.expected);
        EXPECT_EQ(other.portOpen(), c.expected == OpenOutcome::Opened);
        other.close();
    }

    openPort();  // port 1 now held by control_
    const Case whileHeld[] = {
        {"the same device", 1, OpenOutcome::InUse},
        {"the same device through a link", 2, OpenOutcome::InUse},
    };
    for (const Case& c : whileHeld) {
        SCOPED_TRACE(c.name);
        other.setCommPort(c.port);
        EXPECT_EQ(other.open(), c.expected);
        EXPECT_FALSE(other.portOpen());
    }
    EXPECT_TRUE(control_.portOpen()) << "a refused open must not disturb the holder";

    control_.close();
    other.setCommPort(1);
    EXPECT_EQ(other.open(), OpenOutcome::Opened) << "released on close";
}

TEST_F(QtSerialControlTest, RequestReachesTheDeviceWholeDespiteClearingTheOutBuffer) {
    openPort();
    const std::vector<std::uint8_t> frame(kAwkwardBytes.begin(), kAwkwardBytes.end());
    // The order every request uses: write, then empty both buffers at once.
    control_.output(frame);
    control_.clearInBuffer();
    control_.clearOutBuffer();
    EXPECT_EQ(pty_.read(kAwkwardBytes.size()), kAwkwardBytes);

    control_.close();
    control_.output(frame);  // closed: nothing goes out, nothing breaks
    EXPECT_TRUE(pty_.read(1, 200).isEmpty());
}

TEST_F(QtSerialControlTest, ReceiveEventOnceTheThresholdIsReachedInPieces) {
    openPort();
    control_.setRThreshold(9);
    ASSERT_TRUE(pty_.write(kAwkwardBytes.left(2)));
    ASSERT_TRUE(waitUntil([this] { return control_.inBufferCount() == 2; }));
    ASSERT_TRUE(pty_.write(kAwkwardBytes.mid(2, 4)));
    ASSERT_TRUE(waitUntil([this] { return control_.inBufferCount() == 6; }));
    QTest::qWait(50);
    EXPECT_EQ(events_, 0) << "6 of 9 bytes must not raise the event";
    ASSERT_TRUE(pty_.write(kAwkwardBytes.mid(6)));
    EXPECT_TRUE(waitUntil([this] { return events_ > 0; }));
    QTest::qWait(100);
    EXPECT_EQ(events_, 1);
    EXPECT_EQ(eventCodes_, std::vector<int>{SerialControl::kEventReceive});
    EXPECT_EQ(received_, kAwkwardBytes) << "raw bytes, in order, none changed";
    EXPECT_EQ(control_.inBufferCount(), 0);
}

TEST_F(QtSerialControlTest, ClearingAndClosingDropWaitingBytes) {
    openPort();  // threshold 0: bytes wait, no event
    ASSERT_TRUE(pty_.write("stale"));
    ASSERT_TRUE(waitUntil([this] { return control_.inBufferCount() == 5; }));
    control_.clearInBuffer();
    EXPECT_EQ(control_.inBufferCount(), 0);
    ASSERT_TRUE(pty_.write("new"));
    ASSERT_TRUE(waitUntil([this] { return control_.inBufferCount() == 3; }));
    EXPECT_EQ(bytesOf(control_.input()), QByteArray("new"));
    EXPECT_TRUE(control_.input().empty()) << "input() takes the bytes away";

    ASSERT_TRUE(pty_.write("old"));
    ASSERT_TRUE(waitUntil([this] { return control_.inBufferCount() == 3; }));
    control_.close();
    EXPECT_EQ(control_.inBufferCount(), 0);
    ASSERT_EQ(control_.open(), OpenOutcome::Opened);
    QTest::qWait(50);
    EXPECT_TRUE(control_.input().empty());
    EXPECT_EQ(events_, 0);
}

TEST_F(QtSerialControlTest, VanishedDeviceClosesThePortWithoutSpinning) {
    openPort();
    control_.setRThreshold(1);
    auto* port = control_.findChild<QSerialPort*>();
    ASSERT_NE(port, nullptr);
    int errors = 0;
    QObject::connect(port, &QSerialPort::errorOccurred, [&errors](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError) {
            ++errors;
        }
    });

    pty_.closeMaster();
    EXPECT_TRUE(waitUntil([this] { return !control_.portOpen(); }, 2000));
    QTest::qWait(300);
    EXPECT_GE(errors, 1);
    EXPECT_LE(errors, 10) << "the error must not repeat in a busy loop";
    EXPECT_EQ(events_, 0);

    const std::vector<std::uint8_t> frame{0xAA, 0xF8, 0x2A};
    control_.output(frame);  // closed now: harmless
    EXPECT_FALSE(control_.portOpen());
}

}  // namespace
}  // namespace pm
