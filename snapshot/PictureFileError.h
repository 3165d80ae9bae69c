#pragma once

#include <QString>
#include <stdexcept>

// The picture file could not be written; what() holds the user-facing text in UTF-8.
class PictureFileError : public std::runtime_error
{
public:
    PictureFileError(const QString& path, const QString& reason);

    QString message() const { return QString::fromUtf8(what()); }
};
