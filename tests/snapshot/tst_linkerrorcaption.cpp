#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "snapshot/TDeviceScreenShotForm.h"
#include "tests/support/ModalAnswer.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

namespace {

// The caption the X server holds for a window, as a window manager reads it.
QString netWmName(const QWidget* window)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                          QStringLiteral("_NET_WM_NAME")});
    xprop.waitForFinished(5000);
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

} // namespace

// The caption of "Ошибка связи с прибором!" on a real X server: blank, not the program's name.
class TestLinkErrorCaption : public QObject
{
    Q_OBJECT
private slots:
    void emptyCaptionBecomesTheProgramName();
    void linkErrorCaptionStaysBlank();
};

void TestLinkErrorCaption::emptyCaptionBecomesTheProgramName()
{
    QMessageBox box(QMessageBox::Critical, QString(), QStringLiteral("x"), QMessageBox::Ok);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(netWmName(&box), QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"vorn\""));
}

void TestLinkErrorCaption::linkErrorCaptionStaysBlank()
{
    auto instrument = std::make_shared<SimulatedInstrument>();
    usbSetDriverLayer(instrument);
    QCOMPARE(USBInit(), 0u);
    instrument->unplug();

    TDeviceScreenShotForm form;
    form.show();
    QString caption;
    ModalAnswer answer([&](QWidget* w) {
        caption = netWmName(w);
        ModalAnswer::pressButton(QMessageBox::Ok)(w);
    });
    form.findChild<QPushButton*>(QStringLiteral("GetPictureButton"))->click();
    USBDone();
    usbSetDriverLayer(nullptr);

    QVERIFY(answer.appeared());
    QCOMPARE(answer.text(), QStringLiteral("Ошибка связи с прибором!"));
    QCOMPARE(caption, QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \" \""));
}

int main(int argc, char** argv)
{
    // Runs under xvfb-run; the offscreen platform of the other tests keeps no captions.
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable("xprop").isEmpty())
        return 77;
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("vorn"));
    TestLinkErrorCaption test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_linkerrorcaption.moc"
