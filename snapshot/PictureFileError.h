#pragma once

#include <QString>
#include <stdexcept>

// The picture file could not be written; what() holds the user-facing text in UTF-8.
class PictureFileError : public std::runtime_error
{
public:
    PictureFileError(const QString& path, const QString& reason);
    // A refusal whose whole text is given.
    explicit PictureFileError(const QString& text);

    QString message() const { return QString::fromUtf8(what()); }
};
