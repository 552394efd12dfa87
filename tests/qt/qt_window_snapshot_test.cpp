#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>
#include <QTemporaryDir>
#include <QWidget>

#include "fakes/file_helpers.h"
#include "qt/qt_window_snapshot.h"

namespace pm::testing {
namespace {

class QtWindowSnapshotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(160, 90);
        paint(Qt::red);
        snapshot.setWindow(&window);
    }
    void paint(QColor colour) {
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, colour);
        window.setPalette(palette);
        window.setAutoFillBackground(true);
    }

    QWidget window;
    QtWindowSnapshot snapshot;
    QTemporaryDir dir;
};

TEST_F(QtWindowSnapshotTest, EncodesAsTheExtensionSays) {
    struct Case {
        const char* name;
        QByteArray magic;
    };
    const QByteArray jpeg("\xFF\xD8", 2);
    const QByteArray png("\x89PNG", 4);
    const QByteArray bmp("BM");
    const Case cases[] = {
        {"Korvalendrix.jpg", jpeg},
        {"a.jpeg", jpeg},
        {"A.JPG", jpeg},
        {"b.png", png},
        {"c.PNG", png},
        {"d.bmp", bmp},
        {"e.txt", jpeg},
        {"Korvalendrix", jpeg},
        {"f.xls", jpeg},
        {"g.bmp.png", png},
        {"with.dot/h", jpeg},
    };
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("with.dot")));
    snapshot.take();
    ASSERT_FALSE(snapshot.picture().isNull());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        const WriteResult result = snapshot.save(path.toStdString());
        ASSERT_TRUE(result.ok()) << result.error;
        const QByteArray bytes = readAll(path);
        EXPECT_TRUE(bytes.startsWith(c.magic)) << bytes.left(4).toHex().constData();
        // Whatever the name says, the content is the window at its own size.
        const QImage back = QImage::fromData(bytes);
        EXPECT_EQ(back.size(), window.size() * window.devicePixelRatio());
    }
}

// The picture is the window at the moment of take(), taken anew every time.
TEST_F(QtWindowSnapshotTest, TakesTheWindowAsItIsNow) {
    const QString path = dir.filePath(QStringLiteral("shot.png"));
    snapshot.take();
    ASSERT_TRUE(snapshot.save(path.toStdString()).ok());
    EXPECT_EQ(QImage(path).pixelColor(80, 45), QColor(Qt::red));

    paint(Qt::blue);
    ASSERT_TRUE(snapshot.save(path.toStdString()).ok());
    EXPECT_EQ(QImage(path).pixelColor(80, 45), QColor(Qt::red)) << "saved before the next take";
    snapshot.take();
    ASSERT_TRUE(snapshot.save(path.toStdString()).ok());
    EXPECT_EQ(QImage(path).pixelColor(80, 45), QColor(Qt::blue));
}

TEST_F(QtWindowSnapshotTest, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    const QString kept = dir.filePath(QStringLiteral("kept.bmp"));
    writeBytes(kept, "old");

    QtWindowSnapshot empty;  // no window: no picture
    empty.take();
    WriteResult result = empty.save(kept.toStdString());
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(readAll(kept), QByteArray("old"));

    snapshot.take();
    snapshot.setWindow(nullptr);
    snapshot.take();  // an older picture must not be saved in place of this one
    result = snapshot.save(kept.toStdString());
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(readAll(kept), QByteArray("old"));

    snapshot.setWindow(&window);
    snapshot.take();
    result = snapshot.save(dir.filePath(QStringLiteral("missing/shot.jpg")).toStdString());
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("kept.bmp")});
}

}  // namespace
}  // namespace pm::testing
