#include "snapshot/ColorNumber.h"
#include "snapshot/PictureFileError.h"
#include "snapshot/ScreenBuffer.h"
#include "snapshot/ScreenPicture.h"
#include "tests/support/FailDevice.h"

#include <QBuffer>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <array>

using Reply = std::array<std::uint8_t, ScreenBuffer::ReplySize>;
using Cells = QList<QPoint>;

class TestScreenPicture : public QObject
{
    Q_OBJECT

private slots:
    void bitLayout_data();
    void bitLayout();
    void colorNumbers_data();
    void colorNumbers();
    void bmpKeepsEveryPixel();
    void bmpWriteErrorIsReported();
    void unwritableFileThrows_data();
    void unwritableFileThrows();
};

void TestScreenPicture::bitLayout_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("value");
    QTest::addColumn<Cells>("set");
    QTest::newRow("byte 0 = 0x01") << 0 << 0x01 << Cells{{2, 2}};
    QTest::newRow("byte 97 = 0x80") << 97 << 0x80 << Cells{{99, 9}};
    QTest::newRow("byte 98 = 0x01") << 98 << 0x01 << Cells{{2, 10}};
    QTest::newRow("byte 783 = 0x80") << 783 << 0x80 << Cells{{99, 65}};
    QTest::newRow("byte 100 = 0x12") << 100 << 0x12 << Cells{{4, 11}, {4, 14}};
    QTest::newRow("all 0x00") << -1 << 0x00 << Cells{};
    Cells all;
    for (int x = 2; x <= 99; ++x) {
        for (int y = 2; y <= 65; ++y)
            all << QPoint(x, y);
    }
    QTest::newRow("all 0xFF") << -1 << 0xFF << all;
}

void TestScreenPicture::bitLayout()
{
    QFETCH(int, byte);
    QFETCH(int, value);
    QFETCH(Cells, set);
    Reply reply{};
    if (byte < 0)
        reply.fill(std::uint8_t(value));
    else
        reply[std::size_t(byte)] = std::uint8_t(value);
    ScreenBuffer buffer;
    buffer.loadScreenReply(reply);
    for (int x = 0; x < ScreenBuffer::Width; ++x) {
        for (int y = 0; y < ScreenBuffer::Height; ++y) {
            const bool frame = x == 0 || y == 0 || x == 101 || y == 67;
            const bool ink = frame || set.contains(QPoint(x, y));
            QVERIFY2(buffer.cell(x, y) == ink,
                     qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        }
    }
    buffer.clear();
    QCOMPARE(buffer.cells(), ScreenBuffer().cells());
}

void TestScreenPicture::colorNumbers_data()
{
    QTest::addColumn<uint>("number");
    QTest::addColumn<QColor>("color");
    QTest::newRow("red is the low byte") << 0x0000FFu << QColor(255, 0, 0);
    QTest::newRow("blue is the high byte") << 0xFF0000u << QColor(0, 0, 255);
    QTest::newRow("off the list") << 0x123456u << QColor(0x56, 0x34, 0x12);
    QTest::newRow("system button face") << 0x8000000Fu << QColor(1, 2, 3);
    QTest::newRow("system window") << 0x80000005u << QColor(4, 5, 6);
}

void TestScreenPicture::colorNumbers()
{
    QFETCH(uint, number);
    QFETCH(QColor, color);
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Base, QColor(4, 5, 6));
    QCOMPARE(QColor(colorNumberToRgb(number, palette)), color);
}

void TestScreenPicture::bmpKeepsEveryPixel()
{
    Reply reply;
    for (std::size_t k = 0; k < reply.size(); ++k)
        reply[k] = std::uint8_t(k * 37);
    ScreenBuffer buffer;
    buffer.loadScreenReply(reply);
    QImage image;
    paintScreenBuffer(buffer, qRgb(0x12, 0x34, 0x56), qRgb(0xC0, 0xC0, 0xC0), image);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(writeBmp(image, out));
    QVERIFY(out.data().startsWith("BM"));
    QCOMPARE(qFromLittleEndian<quint32>(out.data().constData() + 30), 0u); // uncompressed
    QImage back;
    QVERIFY(back.loadFromData(out.data(), "BMP"));
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), image);
    QCOMPARE(image.pixel(0, 0), qRgb(0x12, 0x34, 0x56));
}

void TestScreenPicture::bmpWriteErrorIsReported()
{
    QImage image;
    paintScreenBuffer(ScreenBuffer(), qRgb(0, 0, 0), qRgb(255, 255, 255), image);
    FailDevice device(100);
    device.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY(!writeBmp(image, device, &error));
    QVERIFY(!error.isEmpty());
}

void TestScreenPicture::unwritableFileThrows_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("missing folder") << "missing/sceenshot.bmp";
    QTest::newRow("a folder by that name") << "taken";
    QTest::newRow("read-only folder") << "locked/sceenshot.bmp";
}

void TestScreenPicture::unwritableFileThrows()
{
    QFETCH(QString, relativePath);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("taken"));
    QDir(dir.path()).mkdir(QStringLiteral("locked"));
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (relativePath.startsWith(QLatin1String("locked")) && QFileInfo(locked).isWritable())
        QSKIP("this user may write into a read-only folder");

    const QString path = dir.filePath(relativePath);
    QImage image;
    paintScreenBuffer(ScreenBuffer(), qRgb(0, 0, 0), qRgb(255, 255, 255), image);
    QString message;
    try {
        saveBmpFile(image, path);
    } catch (const PictureFileError& e) {
        message = e.message();
    }
    const QString prefix = QStringLiteral("Cannot create file \"%1\". ").arg(path);
    QVERIFY2(message.startsWith(prefix) && message.size() > prefix.size(), qPrintable(message));
    QVERIFY(QDir(locked).isEmpty());
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(TestScreenPicture)
#include "tst_screenpicture.moc"
