#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "snapshot/ScreenBuffer.h"
#include "snapshot/ScreenShotCommand.h"
#include "snapshot/TDeviceScreenShotForm.h"
#include "tests/support/ModalAnswer.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

constexpr int Red = 9;
constexpr int Aqua = 14;

template <typename W = QWidget> W* child(QObject* parent, const char* name)
{
    auto* w = parent->findChild<W*>(QLatin1String(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

QImage rgb32(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage clipboardImage()
{
    return rgb32(QGuiApplication::clipboard()->image());
}

// True when the image shows the buffer's cells in these colours, pixel for pixel.
bool shows(const QImage& image, const ScreenBuffer& buffer, QRgb ink = qRgb(0, 0, 0),
           QRgb background = qRgb(255, 255, 255))
{
    if (image.size() != QSize(ScreenBuffer::Width, ScreenBuffer::Height))
        return false;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) != (buffer.cell(x, y) ? ink : background))
                return false;
        }
    }
    return true;
}

// Marks in the four corners of the screen and a diagonal between them.
ScreenPicture markedPicture()
{
    ScreenPicture picture{};
    picture[0] = 0x01;
    picture[97] = 0x80;
    picture[686] = 0x80;
    picture[783] = 0x80;
    for (int page = 0; page < 8; ++page)
        picture[std::size_t(page * 98 + page * 8)] = 0xFF;
    return picture;
}

ScreenBuffer marked()
{
    ScreenBuffer buffer;
    buffer.loadScreenReply(markedPicture());
    return buffer;
}

} // namespace

class TestScreenShotForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void layoutAndTexts();
    void selectorsListSwatchesWithoutNames();
    void createdWithDefaultsAndNothingPainted();
    void colourWritesPaintAndCopyWithoutFile();
    void colourOutsideTheListIsKept();
    void unwritableFileSkipsClipboardAndStaysUsable();
    void unwritableFileShowsTheErrorBox();
    void commandKeepsColoursHoweverClosed_data();
    void commandKeepsColoursHoweverClosed();
    void readShowsWritesAndCopiesThePicture();
    void failedReadLeavesTheEmptyFrame_data();
    void failedReadLeavesTheEmptyFrame();
    void failedReadWithAnUnwritableFileShowsOneError();

private:
    std::shared_ptr<SimulatedInstrument> m_instrument;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestScreenShotForm::initTestCase()
{
    m_instrument = std::make_shared<SimulatedInstrument>();
    m_instrument->setScreen(markedPicture());
    usbSetDriverLayer(m_instrument);
    QCOMPARE(USBInit(), 0u);
}

void TestScreenShotForm::cleanupTestCase()
{
    USBDone();
    usbSetDriverLayer(nullptr);
}

void TestScreenShotForm::init()
{
    m_instrument->clearFaults();
    m_instrument->plug();
    m_instrument->resetExchanges();
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("sceenshot.bmp"));
    QGuiApplication::clipboard()->setText(QStringLiteral("sentinel"));
}

void TestScreenShotForm::layoutAndTexts()
{
    TDeviceScreenShotForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Картинка с экрана прибора"));
    QCOMPARE(form.size(), QSize(322, 142));
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(child(&form, "Bevel1")->geometry(), QRect(0, 0, 321, 105));
    QCOMPARE(child(&form, "DeviceScreenShotImage")->geometry(), QRect(8, 8, 102, 68));
    QCOMPARE(child<QLabel>(&form, "Label1")->text(), QStringLiteral("Перо"));
    QCOMPARE(child(&form, "Label1")->pos(), QPoint(152, 16));
    QCOMPARE(child<QLabel>(&form, "Label2")->text(), QStringLiteral("Фон"));
    QCOMPARE(child(&form, "Label2")->pos(), QPoint(152, 48));
    QCOMPARE(child(&form, "PenColorComboBox")->geometry(), QRect(184, 8, 129, 22));
    QCOMPARE(child(&form, "BackgroundColorComboBox")->geometry(), QRect(184, 40, 129, 22));
    QCOMPARE(child(&form, "GetPictureButton")->geometry(), QRect(184, 72, 129, 25));
    QCOMPARE(child<QPushButton>(&form, "GetPictureButton")->text(),
             QStringLiteral("Прочитать картинку"));
    QCOMPARE(child(&form, "CloseButton")->geometry(), QRect(240, 112, 75, 25));
    QCOMPARE(child<QPushButton>(&form, "CloseButton")->text(), QStringLiteral("Закрыть"));
    QVERIFY(child<QPushButton>(&form, "CloseButton")->isDefault());

    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("CloseButton"));
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
        QCOMPARE(box->count(), expected.size());
        for (int i = 0; i < box->count(); ++i) {
            QVERIFY(box->itemText(i).isEmpty());
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
    TDeviceScreenShotForm form;
    QCOMPARE(form.InkColor(), 0x000000u);
    QCOMPARE(form.BackgroundColor(), 0xFFFFFFu);
    QVERIFY(form.PictureFileName().isEmpty());
    QCOMPARE(form.screenBuffer().cells(), ScreenBuffer().cells());
    QVERIFY(child<QLabel>(&form, "DeviceScreenShotImage")->pixmap().isNull());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("sentinel"));
}

void TestScreenShotForm::colourWritesPaintAndCopyWithoutFile()
{
    QDir::setCurrent(m_dir->path());
    TDeviceScreenShotForm form;
    form.setInkColor(0x0000FF);
    form.setBackgroundColor(0x00FF00);
    QCOMPARE(child<QComboBox>(&form, "PenColorComboBox")->currentIndex(), Red);
    const QRgb red = qRgb(255, 0, 0), lime = qRgb(0, 255, 0);
    QVERIFY(shows(clipboardImage(), ScreenBuffer(), red, lime));
    QVERIFY(shows(rgb32(child<QLabel>(&form, "DeviceScreenShotImage")->pixmap().toImage()),
                  ScreenBuffer(), red, lime));
    QVERIFY(QDir(m_dir->path()).isEmpty());

    form.setPictureFileName(m_path);
    child<QComboBox>(&form, "BackgroundColorComboBox")->setCurrentIndex(Aqua);
    QCOMPARE(form.BackgroundColor(), 0xFFFF00u);
    QVERIFY(shows(rgb32(QImage(m_path, "BMP")), ScreenBuffer(), red, qRgb(0, 255, 255)));
    QVERIFY(shows(clipboardImage(), ScreenBuffer(), red, qRgb(0, 255, 255)));
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
}

void TestScreenShotForm::unwritableFileSkipsClipboardAndStaysUsable()
{
    const QString bad = m_dir->filePath(QStringLiteral("missing/sceenshot.bmp"));
    TDeviceScreenShotForm form;
    QStringList errors;
    form.setErrorReporter([&](const QString& text) { errors << text; });
    form.setPictureFileName(bad);
    form.show();
    child<QComboBox>(&form, "PenColorComboBox")->setCurrentIndex(Red);
    QCOMPARE(errors,
             QStringList{
                 QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(bad)});
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("sentinel"));
    QCOMPARE(form.picture().pixel(0, 0), qRgb(255, 0, 0));

    form.setPictureFileName(m_path);
    child<QComboBox>(&form, "PenColorComboBox")->setCurrentIndex(Aqua);
    QCOMPARE(errors.size(), 1);
    QVERIFY(shows(rgb32(QImage(m_path, "BMP")), ScreenBuffer(), qRgb(0, 255, 255)));
    QVERIFY(shows(clipboardImage(), ScreenBuffer(), qRgb(0, 255, 255)));
}

void TestScreenShotForm::unwritableFileShowsTheErrorBox()
{
    const QString bad = m_dir->filePath(QStringLiteral("missing/sceenshot.bmp"));
    TDeviceScreenShotForm form;
    form.setPictureFileName(bad);
    form.show();
    ModalAnswer answer(ModalAnswer::pressButton(QMessageBox::Ok));
    child<QComboBox>(&form, "BackgroundColorComboBox")->setCurrentIndex(Aqua);
    QVERIFY(answer.appeared());
    QCOMPARE(answer.title(), QStringLiteral("ВОРН-1.0"));
    QCOMPARE(answer.text(),
             QStringLiteral("Cannot create file \"%1\". No such file or directory.").arg(bad));
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
    QWidget owner;
    owner.show();
    std::uint32_t ink = 0x123456;
    std::uint32_t background = 0x808000;
    bool fileAtOpening = true;
    QImage clipboardAtOpening;
    ModalAnswer answer([&](QWidget* w) {
        fileAtOpening = QFile::exists(m_path);
        clipboardAtOpening = clipboardImage();
        child<QComboBox>(w, "BackgroundColorComboBox")->setCurrentIndex(Aqua);
        if (key == 0) {
            child<QPushButton>(w, "CloseButton")->click();
            return;
        }
        QWidget* pen = child(w, "PenColorComboBox");
        pen->setFocus();
        QTest::keyClick(pen->hasFocus() ? pen : w, Qt::Key(key));
    });
    runScreenShot(&owner, ink, background, m_path);

    QVERIFY(answer.appeared());
    QVERIFY(!fileAtOpening);
    QVERIFY(shows(clipboardAtOpening, ScreenBuffer(), qRgb(0x56, 0x34, 0x12), qRgb(0, 0x80, 0x80)));
    QCOMPARE(ink, 0x123456u);
    QCOMPARE(background, 0xFFFF00u);
    QVERIFY(shows(rgb32(QImage(m_path, "BMP")), ScreenBuffer(), qRgb(0x56, 0x34, 0x12),
                  qRgb(0, 255, 255)));
    QVERIFY(!owner.findChild<TDeviceScreenShotForm*>());
}

void TestScreenShotForm::readShowsWritesAndCopiesThePicture()
{
    TDeviceScreenShotForm form;
    form.setPictureFileName(m_path);
    form.show();
    ModalAnswer noMessage(ModalAnswer::pressButton(QMessageBox::Ok), 1000);
    QTest::mouseClick(child(&form, "GetPictureButton"), Qt::LeftButton);
    QVERIFY(!noMessage.appeared());

    QCOMPARE(m_instrument->commands(), std::vector<uint32_t>{6});
    QCOMPARE(form.screenBuffer().cells(), marked().cells());
    QVERIFY(shows(form.picture(), marked()));
    QVERIFY(shows(rgb32(QImage(m_path, "BMP")), marked()));
    QVERIFY(shows(clipboardImage(), marked()));
    QVERIFY(
        shows(rgb32(child<QLabel>(&form, "DeviceScreenShotImage")->pixmap().toImage()), marked()));
}

void TestScreenShotForm::failedReadLeavesTheEmptyFrame_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("no device") << "unplugged";
    QTest::newRow("time-out") << "timeout";
    QTest::newRow("short reply") << "short";
}

void TestScreenShotForm::failedReadLeavesTheEmptyFrame()
{
    QFETCH(QString, fault);
    TDeviceScreenShotForm form;
    form.setPictureFileName(m_path);
    form.show();
    auto* read = child<QPushButton>(&form, "GetPictureButton");
    read->click();
    QCOMPARE(form.screenBuffer().cells(), marked().cells());

    if (fault == QLatin1String("unplugged"))
        m_instrument->unplug();
    else if (fault == QLatin1String("timeout"))
        m_instrument->timeoutAt(2);
    else
        m_instrument->shortReplyAt(2, 500);

    bool emptyFrameFirst = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ModalAnswer answer([&](QWidget* w) {
        emptyFrameFirst = shows(rgb32(QImage(m_path, "BMP")), ScreenBuffer()) &&
                          shows(clipboardImage(), ScreenBuffer());
        icon = qobject_cast<QMessageBox*>(w)->icon();
        ModalAnswer::pressButton(QMessageBox::Ok)(w);
    });
    read->click();

    QVERIFY(answer.appeared());
    QCOMPARE(answer.text(), QStringLiteral("Ошибка связи с прибором!"));
    QVERIFY2(!answer.title().isEmpty() && answer.title().trimmed().isEmpty(),
             qPrintable(answer.title()));
    QCOMPARE(icon, QMessageBox::Critical);
    QVERIFY(emptyFrameFirst);
    QCOMPARE(form.screenBuffer().cells(), ScreenBuffer().cells());
    QVERIFY(shows(form.picture(), ScreenBuffer()));

    m_instrument->plug();
    read->click();
    QCOMPARE(form.screenBuffer().cells(), marked().cells());
}

void TestScreenShotForm::failedReadWithAnUnwritableFileShowsOneError()
{
    const QString bad = m_dir->filePath(QStringLiteral("missing/sceenshot.bmp"));
    TDeviceScreenShotForm form;
    QStringList errors;
    form.setErrorReporter([&](const QString& text) { errors << text; });
    form.setPictureFileName(bad);
    form.show();
    m_instrument->unplug();
    ModalAnswer noLinkBox(ModalAnswer::pressButton(QMessageBox::Ok), 1000);
    child<QPushButton>(&form, "GetPictureButton")->click();
    QVERIFY2(!noLinkBox.appeared(), qPrintable(noLinkBox.text()));
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].startsWith(QStringLiteral("Cannot create file")));
    QCOMPARE(form.screenBuffer().cells(), ScreenBuffer().cells());
}

QTEST_MAIN(TestScreenShotForm)
#include "tst_screenshotform.moc"
