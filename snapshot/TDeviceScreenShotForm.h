#pragma once

#include "snapshot/ScreenBuffer.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

class ColorSwatchComboBox;
class QFrame;
class QLabel;
class QPushButton;

// The window that fetches the instrument's screen picture, paints it in two colours,
// writes it to the picture file and puts it on the clipboard.
class TDeviceScreenShotForm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(uint InkColor READ InkColor WRITE setInkColor)
    Q_PROPERTY(uint BackgroundColor READ BackgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(QString PictureFileName READ PictureFileName WRITE setPictureFileName)

public:
    // Receives the text of an error that a handler of this window could not pass on.
    using ErrorReporter = std::function<void(const QString&)>;

    explicit TDeviceScreenShotForm(QWidget* owner = nullptr);

    std::uint32_t InkColor() const { return m_inkColor; }
    std::uint32_t BackgroundColor() const { return m_backgroundColor; }
    QString PictureFileName() const { return m_pictureFileName; }
    // Both colour writes show the colour in its selector and paint; they throw
    // PictureFileError when the picture file cannot be written.
    void setInkColor(std::uint32_t color);
    void setBackgroundColor(std::uint32_t color);
    void setPictureFileName(const QString& fileName) { m_pictureFileName = fileName; }

    // Defaults to the program's error box (caption "ВОРН-1.0", error icon).
    void setErrorReporter(ErrorReporter reporter) { m_reportError = std::move(reporter); }

    const ScreenBuffer& screenBuffer() const { return m_screenBuffer; }
    const QImage& picture() const { return m_picture; }

    void ClearScreenBuffer() { m_screenBuffer.clear(); }
    // Paints the image, writes the picture file when one is set, then copies the image to the
    // clipboard. A file that cannot be written throws PictureFileError before the copy.
    void DrawScreenBuffer();

    void GetPictureButtonClick();

protected:
    void reject() override;

private:
    void FormCreate();
    void PenColorComboBoxChange();
    void BackgroundColorComboBoxChange();
    // False when the paint failed and its error has been shown.
    bool drawReportingErrors();

    QFrame* Bevel1;
    QLabel* DeviceScreenShotImage;
    QLabel* Label1;
    ColorSwatchComboBox* PenColorComboBox;
    QLabel* Label2;
    ColorSwatchComboBox* BackgroundColorComboBox;
    QPushButton* GetPictureButton;
    QPushButton* CloseButton;

    std::uint32_t m_inkColor = 0;
    std::uint32_t m_backgroundColor = 0;
    QString m_pictureFileName;
    ScreenBuffer m_screenBuffer;
    QImage m_picture;
    ErrorReporter m_reportError;
};
