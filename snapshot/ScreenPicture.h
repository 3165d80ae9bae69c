#pragma once

#include <QImage>
#include <QString>

class QIODevice;
class ScreenBuffer;

// Paints every cell in ink (1) or background (0); the image becomes 102 x 68 pixels.
void paintScreenBuffer(const ScreenBuffer& buffer, QRgb ink, QRgb background, QImage& image);

// Writes the image as an uncompressed BMP; on false, error (when given) says why.
bool writeBmp(const QImage& image, QIODevice& device, QString* error = nullptr);

// Replaces the file at path with the image as a BMP, or leaves any old file untouched and
// throws PictureFileError.
void saveBmpFile(const QImage& image, const QString& path);
