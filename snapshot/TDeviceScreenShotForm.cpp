#include "snapshot/TDeviceScreenShotForm.h"

#include "common/LinkErrorTexts.h"

#include "common/ui/ScreenCentre.h"

#include "common/ui/MessageBoxes.h"

#include "device/DeviceCommands.h"
#include "device/DeviceProtocol.h"
#include "device/NoDeviceMessage.h"
#include "device/USB.h"
#include "device/UsbStatus.h"
#include "snapshot/ColorNumber.h"
#include "snapshot/ColorSwatchComboBox.h"
#include "snapshot/PictureFileError.h"
#include "snapshot/ScreenPicture.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace {

template <typename W>
W* place(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(left, top, width, height);
    return w;
}

QLabel* label(QWidget* parent, const char* name, int left, int top, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(left, top);
    l->adjustSize();
    return l;
}

} // namespace

TDeviceScreenShotForm::TDeviceScreenShotForm(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("DeviceScreenShotForm"));
    setWindowTitle(QStringLiteral("Картинка с экрана прибора"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(322, 142);

    Bevel1 = place<QFrame>(this, "Bevel1", 0, 0, 321, 105);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    DeviceScreenShotImage = place<QLabel>(this, "DeviceScreenShotImage", 8, 8, ScreenBuffer::Width,
                                          ScreenBuffer::Height);
    DeviceScreenShotImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1 = label(this, "Label1", 152, 16, QStringLiteral("Перо"));
    PenColorComboBox = place<ColorSwatchComboBox>(this, "PenColorComboBox", 184, 8, 129, 22);
    Label2 = label(this, "Label2", 152, 48, QStringLiteral("Фон"));
    BackgroundColorComboBox =
        place<ColorSwatchComboBox>(this, "BackgroundColorComboBox", 184, 40, 129, 22);
    GetPictureButton = place<QPushButton>(this, "GetPictureButton", 184, 72, 129, 25);
    GetPictureButton->setText(QStringLiteral("Прочитать картинку"));
    CloseButton = place<QPushButton>(this, "CloseButton", 240, 112, 75, 25);
    CloseButton->setText(QStringLiteral("Закрыть"));
    CloseButton->setDefault(true);

    setTabOrder(CloseButton, PenColorComboBox);
    setTabOrder(PenColorComboBox, BackgroundColorComboBox);
    setTabOrder(BackgroundColorComboBox, GetPictureButton);
    CloseButton->setFocus();

    connect(PenColorComboBox, &ColorSwatchComboBox::colorChanged, this,
            &TDeviceScreenShotForm::PenColorComboBoxChange);
    connect(BackgroundColorComboBox, &ColorSwatchComboBox::colorChanged, this,
            &TDeviceScreenShotForm::BackgroundColorComboBoxChange);
    connect(GetPictureButton, &QPushButton::clicked, this,
            &TDeviceScreenShotForm::GetPictureButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    placeAtScreenCentre(this, ownerScreen(this));
    FormCreate();
}

void TDeviceScreenShotForm::FormCreate()
{
    m_inkColor = 0x000000;
    m_backgroundColor = 0xFFFFFF;
    m_pictureFileName.clear();
    ClearScreenBuffer();
}

void TDeviceScreenShotForm::setInkColor(std::uint32_t color)
{
    m_inkColor = color;
    PenColorComboBox->setColor(color);
    DrawScreenBuffer();
}

void TDeviceScreenShotForm::setBackgroundColor(std::uint32_t color)
{
    m_backgroundColor = color;
    BackgroundColorComboBox->setColor(color);
    DrawScreenBuffer();
}

void TDeviceScreenShotForm::DrawScreenBuffer()
{
    const QPalette palette = QGuiApplication::palette();
    paintScreenBuffer(m_screenBuffer, colorNumberToRgb(m_inkColor, palette),
                      colorNumberToRgb(m_backgroundColor, palette), m_picture);
    DeviceScreenShotImage->setPixmap(QPixmap::fromImage(m_picture));
    if (!m_pictureFileName.isEmpty())
        saveBmpFile(m_picture, m_pictureFileName);
    QGuiApplication::clipboard()->setImage(m_picture);
}

bool TDeviceScreenShotForm::drawReportingErrors()
{
    try {
        DrawScreenBuffer();
        return true;
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        if (m_reportError)
            m_reportError(text);
        else
            showErrorSentence(this, text);
        return false;
    }
}

void TDeviceScreenShotForm::PenColorComboBoxChange()
{
    m_inkColor = PenColorComboBox->color();
    drawReportingErrors();
}

void TDeviceScreenShotForm::BackgroundColorComboBoxChange()
{
    m_backgroundColor = BackgroundColorComboBox->color();
    drawReportingErrors();
}

void TDeviceScreenShotForm::GetPictureButtonClick()
{
    static_assert(DEV_SCREEN_SIZE == ScreenBuffer::ReplySize);
    ScreenPicture reply{};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::uint32_t status =
        USBTransfer(DEV_CMD_SCREEN, nullptr, 0, reply.data(), DEV_SCREEN_SIZE);
    QApplication::restoreOverrideCursor();
    if (status != UsbStatus::Ok) {
        ClearScreenBuffer();
        // A paint that failed has shown its error and ends the handler: one box per failure.
        if (!drawReportingErrors())
            return;
        // X11 shows the program's name in place of an empty caption; one space stays blank.
        QMessageBox box(QMessageBox::Critical, QStringLiteral(" "), LinkErrorTexts::DeviceLinkError,
                        QMessageBox::Ok, this);
        // An instrument that is plugged in but cannot be opened says why.
        if (const QString notOpened = deviceNotOpenedMessage(); !notOpened.isEmpty())
            box.setText(notOpened);
        box.exec();
        return;
    }
    m_screenBuffer.loadScreenReply(reply);
    drawReportingErrors();
}

// Escape closes the window as "Закрыть" does.
void TDeviceScreenShotForm::reject()
{
    accept();
}
