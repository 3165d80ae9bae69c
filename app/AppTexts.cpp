#include "app/AppTexts.h"

namespace AppTexts {

QString fileNamePart(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

QString saveChangesQuestion(const QString& projectFile)
{
    return QStringLiteral("Сохранить изменеия в проекте\r") + fileNamePart(projectFile) +
           QStringLiteral(" ?");
}

QString windowCaption(const QString& projectName)
{
    if (projectName.isEmpty())
        return Title;
    return Title + QStringLiteral(" - [") + fileNamePart(projectName) + u']';
}

} // namespace AppTexts
