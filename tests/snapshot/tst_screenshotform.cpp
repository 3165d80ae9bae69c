#include "ModalAnswer.h"
#include "ScreenBuffer.h"
#include "TDeviceScreenShotForm.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Aqua = 14;
constexpr int Red = 9;

QImage clipboardImage()
{
    return QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
}

void putSentinelOnClipboard()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("sentinel"));
}

template <typename W> W* child(QObject* parent, const char* name)
{
    auto* w = parent->findChild<W*>(QLatin1String(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

bool isEmptyFrame(const QImage& image, QRgb ink, QRgb background)
{
    if (image.size() != QSize(ScreenBuffer::Width, ScreenBuffer::Height))
        return false;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const bool frame =
                x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1;
            if (image.pixel(x, y) != (frame ? ink : background))
                return false;
        }
    }
    return true;
}

} // namespace

class TestScreenShotForm : public QObject
{
    Q_OBJECT

private slots:
    void layoutAndTexts_data();
    void layoutAndTexts();
    void tabOrderStartsAtClose();
    void selectorsListSwatchesWithoutNames();
    void createdWithDefaultsAndNothingPainted();
    void colourWritesPaintAndCopyButWriteNoFileWithoutName();
    void colourOutsideTheListIsKept();
    void userPickRewritesFileAndClipboard();
    void sameColourHidesPictureUntilColoursDiffer();
    void unwritableFileReportsAndSkipsClipboard();
    void unwritableFileShowsTheErrorBox();
    void commandKeepsColoursHoweverClosed_data();
    void commandKeepsColoursHoweverClosed();
};

void TestScreenShotForm::layoutAndTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("Bevel1") << "Bevel1" << QRect(0, 0, 321, 105) << QString();
    QTest::newRow("image") << "DeviceScreenShotImage" << QRect(8, 8, 102, 68) << QString();
    QTest::newRow("pen") << "PenColorComboBox" << QRect(184, 8, 129, 22) << QString();
    QTest::newRow("background") << "BackgroundColorComboBox" << QRect(184, 40, 129, 22)
                                << QString();
    QTest::newRow("read") << "GetPictureButton" << QRect(184, 72, 129, 25) << "Прочитать картинку";
    QTest::newRow("close") << "CloseButton" << QRect(240, 112, 75, 25) << "Закрыть";
}

void TestScreenShotForm::layoutAndTexts()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    TDeviceScreenShotForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Картинка с экрана прибора"));
    QCOMPARE(form.size(), QSize(322, 142));
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    auto* w = form.findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), geometry);
    if (auto* b = qobject_cast<QPushButton*>(w))
        QCOMPARE(b->text(), text);
    QCOMPARE(child<QLabel>(&form, "Label1")->text(), QStringLiteral("Перо"));
    QCOMPARE(child<QLabel>(&form, "Label1")->pos(), QPoint(152, 16));
    QCOMPARE(child<QLabel>(&form, "Label2")->text(), QStringLiteral("Фон"));
    QCOMPARE(child<QLabel>(&form, "Label2")->pos(), QPoint(152, 48));
    QVERIFY(child<QPushButton>(&form, "CloseButton")->isDefault());
}

void TestScreenShotForm::tabOrderStartsAtClose()
{
    TDeviceScreenShotForm form;
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(&form, "CloseButton"));
    for (const char* next :
         {"PenColorComboBox", "BackgroundColorComboBox", "GetPictureButton", "CloseButton"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(next));
    }
}

void TestScreenShotForm::selectorsListSwatchesWithoutNames()
{
    const QList<uint> expected{0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                               0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                               0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    TDeviceScreenShotForm form;
    for (const char* name : {"PenColorComboBox", "BackgroundColorComboBox"}) {
        auto* box = child<QComboBox>(&form, name);
        QCOMPARE(box->count(), 16);
        for (int i = 0; i < box->count(); ++i) {
            QVERIFY(box->itemText(i).isEmpty());
            QVERIFY(!box->itemIcon(i).isNull());
            QCOMPARE(box->itemData(i).toUInt(), expected[i]);
            const QImage swatch = box->itemIcon(i).pixmap(box->iconSize()).toImage();
            const QRgb centre = swatch.pixel(swatch.width() / 2, swatch.height() / 2);
            QCOMPARE(qRed(centre), int(expected[i] & 0xFF));
            QCOMPARE(qBlue(centre), int(expected[i] >> 16));
        }
    }
}

void TestScreenShotForm::createdWithDefaultsAndNothingPainted()
{
    putSentinelOnClipboard();
    TDeviceScreenShotForm form;
    QCOMPARE(form.InkColor(), 0x000000u);
    QCOMPARE(form.BackgroundColor(), 0xFFFFFFu);
    QVERIFY(form.PictureFileName().isEmpty());
    QCOMPARE(form.screenBuffer().cells(), ScreenBuffer().cells());
    QVERIFY(child<QLabel>(&form, "DeviceScreenShotImage")->pixmap().isNull());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("sentinel"));
}

void TestScreenShotForm::colourWritesPaintAndCopyButWriteNoFileWithoutName()
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    TDeviceScreenShotForm form;
    form.setInkColor(0x0000FF);
    form.setBackgroundColor(0x00FF00);
    QCOMPARE(child<QComboBox>(&form, "PenColorComboBox")->currentIndex(), Red);
    QVERIFY(isEmptyFrame(clipboardImage(), qRgb(255, 0, 0), qRgb(0, 255, 0)));
    const QImage shown = child<QLabel>(&form, "DeviceScreenShotImage")->pixmap().toImage();
    QVERIFY(isEmptyFrame(shown.convertToFormat(QImage::Format_RGB32), qRgb(255, 0, 0),
                         qRgb(0, 255, 0)));
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestScreenShotForm::colourOutsideTheListIsKept()
{
    TDeviceScreenShotForm form;
    auto* pen = child<QComboBox>(&form, "PenColorComboBox");
    form.setInkColor(0x123456);
    QCOMPARE(form.InkColor(), 0x123456u);
    QCOMPARE(pen->currentIndex(), -1);
    QCOMPARE(form.picture().pixel(0, 0), qRgb(0x56, 0x34, 0x12));

    pen->setCurrentIndex(Red);
    QCOMPARE(form.InkColor(), 0x0000FFu);
    QCOMPARE(form.picture().pixel(0, 0), qRgb(255, 0, 0));
}

void TestScreenShotForm::userPickRewritesFileAndClipboard()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sceenshot.bmp"));
    TDeviceScreenShotForm form;
    form.setPictureFileName(path);
    putSentinelOnClipboard();
    child<QComboBox>(&form, "BackgroundColorComboBox")->setCurrentIndex(Aqua);
    QCOMPARE(form.BackgroundColor(), 0xFFFF00u);
    QVERIFY(isEmptyFrame(QImage(path, "BMP").convertToFormat(QImage::Format_RGB32), qRgb(0, 0, 0),
                         qRgb(0, 255, 255)));
    QVERIFY(isEmptyFrame(clipboardImage(), qRgb(0, 0, 0), qRgb(0, 255, 255)));
}

void TestScreenShotForm::sameColourHidesPictureUntilColoursDiffer()
{
    TDeviceScreenShotForm form;
    form.setInkColor(0x808080);
    form.setBackgroundColor(0x808080);
    const QImage flat = form.picture();
    for (int x = 0; x < flat.width(); ++x) {
        for (int y = 0; y < flat.height(); ++y)
            QCOMPARE(flat.pixel(x, y), qRgb(0x80, 0x80, 0x80));
    }
    QCOMPARE(form.screenBuffer().cells(), ScreenBuffer().cells());
    form.setBackgroundColor(0xFFFFFF);
    QVERIFY(isEmptyFrame(form.picture(), qRgb(0x80, 0x80, 0x80), qRgb(255, 255, 255)));
}

void TestScreenShotForm::unwritableFileReportsAndSkipsClipboard()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/sceenshot.bmp"));
    TDeviceScreenShotForm form;
    QStringList errors;
    form.setErrorReporter([&](const QString& text) { errors << text; });
    form.setPictureFileName(path);
    form.show();
    putSentinelOnClipboard();

    child<QComboBox>(&form, "PenColorComboBox")->setCurrentIndex(Red);
    QCOMPARE(errors,
             QStringList{
                 QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(path)});
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("sentinel"));
    QCOMPARE(form.picture().pixel(0, 0), qRgb(255, 0, 0));
    QVERIFY(form.isVisible());

    const QString good = dir.filePath(QStringLiteral("sceenshot.bmp"));
    form.setPictureFileName(good);
    child<QComboBox>(&form, "PenColorComboBox")->setCurrentIndex(Aqua);
    QCOMPARE(errors.size(), 1);
    QVERIFY(QFile::exists(good));
    QVERIFY(isEmptyFrame(clipboardImage(), qRgb(0, 255, 255), qRgb(255, 255, 255)));
}

void TestScreenShotForm::unwritableFileShowsTheErrorBox()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/sceenshot.bmp"));
    TDeviceScreenShotForm form;
    form.setPictureFileName(path);
    form.show();
    ModalAnswer answer(ModalAnswer::pressButton(QMessageBox::Ok));
    child<QComboBox>(&form, "BackgroundColorComboBox")->setCurrentIndex(Aqua);
    QVERIFY(answer.appeared());
    QCOMPARE(answer.title(), QStringLiteral("ВОРН-1.0"));
    QCOMPARE(answer.text(),
             QStringLiteral("Cannot create file \"%1\". No such file or directory.").arg(path));
}

void TestScreenShotForm::commandKeepsColoursHoweverClosed_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Закрыть") << 0;
}

void TestScreenShotForm::commandKeepsColoursHoweverClosed()
{
    QFETCH(int, key);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sceenshot.bmp"));
    QWidget owner;
    owner.show();
    std::uint32_t ink = 0x123456;
    std::uint32_t background = 0x808000;

    bool fileAtOpening = true;
    QImage clipboardAtOpening;
    ModalAnswer answer([&](QWidget* w) {
        fileAtOpening = QFile::exists(path);
        clipboardAtOpening = clipboardImage();
        child<QComboBox>(w, "BackgroundColorComboBox")->setCurrentIndex(Aqua);
        if (key == 0) {
            child<QPushButton>(w, "CloseButton")->click();
            return;
        }
        auto* pen = child<QWidget>(w, "PenColorComboBox");
        pen->setFocus();
        QTest::keyClick(pen->hasFocus() ? pen : w, Qt::Key(key));
    });
    RunScreenShot(&owner, ink, background, path);

    QVERIFY(answer.appeared());
    QVERIFY(!fileAtOpening);
    QVERIFY(isEmptyFrame(clipboardAtOpening, qRgb(0x56, 0x34, 0x12), qRgb(0x00, 0x80, 0x80)));
    QCOMPARE(ink, 0x123456u);
    QCOMPARE(background, 0xFFFF00u);
    QVERIFY(isEmptyFrame(QImage(path, "BMP").convertToFormat(QImage::Format_RGB32),
                         qRgb(0x56, 0x34, 0x12), qRgb(0, 255, 255)));
    QVERIFY(!owner.findChild<TDeviceScreenShotForm*>());
}

QTEST_MAIN(TestScreenShotForm)
#include "tst_screenshotform.moc"
