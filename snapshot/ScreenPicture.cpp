#include "snapshot/ScreenPicture.h"

#include "common/OutputGuard.h"
#include "snapshot/PictureFileError.h"
#include "snapshot/ScreenBuffer.h"

#include <QImageWriter>
#include <QSaveFile>

void paintScreenBuffer(const ScreenBuffer& buffer, QRgb ink, QRgb background, QImage& image)
{
    if (image.size() != QSize(ScreenBuffer::Width, ScreenBuffer::Height) ||
        image.format() != QImage::Format_RGB32)
        image = QImage(ScreenBuffer::Width, ScreenBuffer::Height, QImage::Format_RGB32);
    for (int y = 0; y < ScreenBuffer::Height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < ScreenBuffer::Width; ++x)
            line[x] = buffer.cell(x, y) ? ink : background;
    }
}

bool writeBmp(const QImage& image, QIODevice& device, QString* error)
{
    QImageWriter writer(&device, "BMP");
    if (writer.write(image))
        return true;
    if (error)
        *error = writer.error() == QImageWriter::DeviceError ? device.errorString()
                                                             : writer.errorString();
    return false;
}

void saveBmpFile(const QImage& image, const QString& path)
{
    if (OutputGuard::wouldDestroyProject(path))
        throw PictureFileError(OutputGuard::refusal(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw PictureFileError(path, file.errorString());
    QString reason;
    if (!writeBmp(image, file, &reason)) {
        file.cancelWriting();
        throw PictureFileError(path, reason);
    }
    if (!file.commit())
        throw PictureFileError(path, file.errorString());
}
