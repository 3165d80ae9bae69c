#include "app/LookAndTranslations.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

void loadQtTranslations(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ru"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/program/vorn-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

void applyLookAndTranslations(QApplication& app)
{
    // The pictures live in a static library, whose resources are not registered by themselves.
    Q_INIT_RESOURCE(icons);
    loadQtTranslations(app);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    QApplication::setWindowIcon(programIcon());
    // Without a theme Qt looks nowhere, not even in the fallback folder; hicolor is every
    // desktop's base theme.
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("hicolor"));
    QIcon::setFallbackSearchPaths(QIcon::fallbackSearchPaths()
                                  << QStringLiteral(":/icons/fallback"));
}
