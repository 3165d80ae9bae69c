#include "ColorNumber.h"
#include "FailDevice.h"
#include "PictureFileError.h"
#include "ScreenBuffer.h"
#include "ScreenPicture.h"

#include <QBuffer>
#include <QFile>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <array>
#include <cstdint>

using Reply = std::array<std::uint8_t, ScreenBuffer::ReplySize>;
using Cells = QList<QPoint>;

namespace {

bool isFrame(int x, int y)
{
    return x == 0 || y == 0 || x == ScreenBuffer::Width - 1 || y == ScreenBuffer::Height - 1;
}

bool isScreen(int x, int y)
{
    return x >= 2 && x <= 99 && y >= 2 && y <= 65;
}

QImage fromBmp(const QByteArray& bytes)
{
    QImage image;
    image.loadFromData(bytes, "BMP");
    return image;
}

} // namespace

class TestScreenPicture : public QObject
{
    Q_OBJECT

private slots:
    void emptyBufferIsFrameOnly();
    void bitLayout_data();
    void bitLayout();
    void wholeReply_data();
    void wholeReply();
    void clearDropsThePicture();
    void colorNumbers_data();
    void colorNumbers();
    void systemColorsComeFromThePalette();
    void standardColorsInOrder();
    void paintUsesBothColours();
    void bmpKeepsEveryPixel();
    void bmpWriteErrorIsReported();
    void saveReplacesTheFile();
    void unwritableFileThrows_data();
    void unwritableFileThrows();
};

void TestScreenPicture::emptyBufferIsFrameOnly()
{
    ScreenBuffer buffer;
    for (int x = 0; x < ScreenBuffer::Width; ++x) {
        for (int y = 0; y < ScreenBuffer::Height; ++y)
            QCOMPARE(buffer.cell(x, y), std::uint8_t(isFrame(x, y)));
    }
    QCOMPARE(&buffer.cells()[5 * 68 + 7], &buffer.cells()[0] + 347);
}

void TestScreenPicture::bitLayout_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("value");
    QTest::addColumn<Cells>("set");
    QTest::newRow("byte 0 bit 0") << 0 << 0x01 << Cells{{2, 2}};
    QTest::newRow("byte 97 bit 7") << 97 << 0x80 << Cells{{99, 9}};
    QTest::newRow("byte 98 bit 0") << 98 << 0x01 << Cells{{2, 10}};
    QTest::newRow("byte 783 bit 7") << 783 << 0x80 << Cells{{99, 65}};
    QTest::newRow("byte 100 bits 1 and 4") << 100 << 0x12 << Cells{{4, 11}, {4, 14}};
    QTest::newRow("byte 686 all bits") << 686 << 0xFF << Cells{{2, 58}, {2, 59}, {2, 60}, {2, 61},
                                                               {2, 62}, {2, 63}, {2, 64}, {2, 65}};
}

void TestScreenPicture::bitLayout()
{
    QFETCH(int, byte);
    QFETCH(int, value);
    QFETCH(Cells, set);
    Reply reply{};
    reply[std::size_t(byte)] = std::uint8_t(value);
    ScreenBuffer buffer;
    buffer.LoadScreenReply(reply);
    for (int x = 0; x < ScreenBuffer::Width; ++x) {
        for (int y = 0; y < ScreenBuffer::Height; ++y) {
            const bool expected = isFrame(x, y) || set.contains(QPoint(x, y));
            QVERIFY2(buffer.cell(x, y) == std::uint8_t(expected),
                     qPrintable(QStringLiteral("cell (%1, %2)").arg(x).arg(y)));
        }
    }
}

void TestScreenPicture::wholeReply_data()
{
    QTest::addColumn<int>("fill");
    QTest::newRow("all 0x00") << 0x00;
    QTest::newRow("all 0xFF") << 0xFF;
}

void TestScreenPicture::wholeReply()
{
    QFETCH(int, fill);
    Reply reply;
    reply.fill(std::uint8_t(fill));
    ScreenBuffer buffer;
    buffer.LoadScreenReply(reply);
    for (int x = 0; x < ScreenBuffer::Width; ++x) {
        for (int y = 0; y < ScreenBuffer::Height; ++y) {
            const bool ink = isFrame(x, y) || (isScreen(x, y) && fill == 0xFF);
            QCOMPARE(buffer.cell(x, y), std::uint8_t(ink));
        }
    }
}

void TestScreenPicture::clearDropsThePicture()
{
    Reply reply;
    reply.fill(0xFF);
    ScreenBuffer buffer;
    buffer.LoadScreenReply(reply);
    buffer.ClearScreenBuffer();
    QCOMPARE(buffer.cells(), ScreenBuffer().cells());
}

void TestScreenPicture::colorNumbers_data()
{
    QTest::addColumn<uint>("number");
    QTest::addColumn<QColor>("color");
    QTest::newRow("red is the low byte") << 0x0000FFu << QColor(255, 0, 0);
    QTest::newRow("blue is the high byte") << 0xFF0000u << QColor(0, 0, 255);
    QTest::newRow("off the list") << 0x123456u << QColor(0x56, 0x34, 0x12);
    QTest::newRow("olive") << 0x008080u << QColor(0x80, 0x80, 0x00);
}

void TestScreenPicture::colorNumbers()
{
    QFETCH(uint, number);
    QFETCH(QColor, color);
    QCOMPARE(QColor(ColorNumberToRgb(number, QPalette())), color);
}

void TestScreenPicture::systemColorsComeFromThePalette()
{
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Base, QColor(4, 5, 6));
    QCOMPARE(QColor(ColorNumberToRgb(0x8000000Fu, palette)), QColor(1, 2, 3));
    QCOMPARE(QColor(ColorNumberToRgb(0x80000005u, palette)), QColor(4, 5, 6));
}

void TestScreenPicture::standardColorsInOrder()
{
    const std::array<std::uint32_t, 16> expected{
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
        0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(StandardColorNumbers[i].value, expected[i]);
        QCOMPARE(StandardColorIndex(expected[i]), int(i));
    }
    QCOMPARE(StandardColorIndex(0x123456), -1);
}

void TestScreenPicture::paintUsesBothColours()
{
    Reply reply{};
    reply[0] = 0x01;
    ScreenBuffer buffer;
    buffer.LoadScreenReply(reply);
    QImage image;
    PaintScreenBuffer(buffer, qRgb(255, 0, 0), qRgb(0, 0, 255), image);
    QCOMPARE(image.size(), QSize(102, 68));
    QCOMPARE(image.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(101, 67), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(1, 1), qRgb(0, 0, 255));
    QCOMPARE(image.pixel(2, 2), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(3, 2), qRgb(0, 0, 255));

    PaintScreenBuffer(buffer, qRgb(7, 7, 7), qRgb(7, 7, 7), image);
    QCOMPARE(image.pixel(2, 2), image.pixel(3, 2));
    PaintScreenBuffer(buffer, qRgb(0, 0, 0), qRgb(255, 255, 255), image);
    QCOMPARE(image.pixel(2, 2), qRgb(0, 0, 0));
}

void TestScreenPicture::bmpKeepsEveryPixel()
{
    Reply reply;
    for (std::size_t k = 0; k < reply.size(); ++k)
        reply[k] = std::uint8_t(k * 37);
    ScreenBuffer buffer;
    buffer.LoadScreenReply(reply);
    QImage image;
    PaintScreenBuffer(buffer, qRgb(0x12, 0x34, 0x56), qRgb(0xC0, 0xC0, 0xC0), image);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(WriteBmp(image, out));
    const QByteArray bytes = out.data();
    QVERIFY(bytes.startsWith("BM"));
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 30), 0u);
    const QImage back = fromBmp(bytes);
    QCOMPARE(back.size(), QSize(102, 68));
    for (int x = 0; x < 102; ++x) {
        for (int y = 0; y < 68; ++y)
            QCOMPARE(back.pixel(x, y), image.pixel(x, y));
    }
}

void TestScreenPicture::bmpWriteErrorIsReported()
{
    QImage image;
    PaintScreenBuffer(ScreenBuffer(), qRgb(0, 0, 0), qRgb(255, 255, 255), image);
    FailDevice device(100);
    device.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY(!WriteBmp(image, device, &error));
    QVERIFY(!error.isEmpty());
}

void TestScreenPicture::saveReplacesTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sceenshot.bmp"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(50000, 'x'));
    }
    QImage image;
    PaintScreenBuffer(ScreenBuffer(), qRgb(0, 128, 0), qRgb(255, 255, 0), image);
    SaveBmpFile(image, path);
    QImage back(path, "BMP");
    QCOMPARE(back.pixel(0, 0), qRgb(0, 128, 0));
    QCOMPARE(back.pixel(50, 30), qRgb(255, 255, 0));
    QVERIFY(QFileInfo(path).size() < 50000);
}

void TestScreenPicture::unwritableFileThrows_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("missing folder") << "missing/sceenshot.bmp" << false;
    QTest::newRow("a folder by that name") << "taken" << false;
    QTest::newRow("read-only folder") << "locked/sceenshot.bmp" << true;
}

void TestScreenPicture::unwritableFileThrows()
{
    QFETCH(QString, relativePath);
    QFETCH(bool, readOnlyFolder);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (readOnlyFolder && QFileInfo(locked).isWritable())
        QSKIP("the folder stays writable for this user");

    const QString path = dir.filePath(relativePath);
    QImage image;
    PaintScreenBuffer(ScreenBuffer(), qRgb(0, 0, 0), qRgb(255, 255, 255), image);
    QString message;
    try {
        SaveBmpFile(image, path);
    } catch (const PictureFileError& e) {
        message = e.message();
    }
    const QString prefix = QStringLiteral("Cannot create file \"%1\". ").arg(path);
    QVERIFY2(message.startsWith(prefix), qPrintable(message));
    QVERIFY2(message.size() > prefix.size(), qPrintable(message));
    QVERIFY(QDir(locked).isEmpty());
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(TestScreenPicture)
#include "tst_screenpicture.moc"
