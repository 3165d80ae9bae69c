#include "snapshot/PictureFileError.h"

#include "common/FileErrorTexts.h"

PictureFileError::PictureFileError(const QString& path, const QString& reason)
    : std::runtime_error(FileErrorTexts::cannotCreate(path, reason).toStdString())
{
}

PictureFileError::PictureFileError(const QString& text) : std::runtime_error(text.toStdString()) {}
