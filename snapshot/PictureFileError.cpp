#include "PictureFileError.h"

PictureFileError::PictureFileError(const QString& path, const QString& reason)
    : std::runtime_error(
          QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason).toStdString())
{
}
