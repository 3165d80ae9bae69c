// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctl/CtlHelp.h"

#include <QHash>

namespace {

const QString UnitOptions = QStringLiteral(
    "  --measurand force|stress  натяжение (по умолчанию) или напряжение\n"
    "  --unit kgf|N              кгс (по умолчанию) или Н (для напряжения кгс/см2 или МПа)\n");

const QString OutputNote =
    QStringLiteral("Вместо файла можно указать «-»: результат пишется в стандартный вывод.\n");

} // namespace

QString ctlUsage()
{
    return QStringLiteral(
               "Использование: vornctl [ПАРАМЕТРЫ] КОМАНДА [АРГУМЕНТЫ]\n"
               "Команды программы ВОРН-1.0 для сценариев, без окон.\n"
               "\n"
               "Команды:\n"
               "  read ПРОЕКТ.fdb             считать результаты из прибора в проект и сохранить\n"
               "  export ПРОЕКТ.fdb ФАЙЛ.csv  экспортировать результаты в CSV или книгу Excel\n"
               "  report ПРОЕКТ.fdb ФАЙЛ.pdf  записать отчёт в PDF\n"
               "  screen ФАЙЛ.bmp             записать снимок экрана прибора\n"
               "  info ПРОЕКТ.fdb             сведения о проекте (--format text|json)\n"
               "  list ПРОЕКТ.fdb             все результаты со всеми полями (--format tsv|json)\n"
               "  help [КОМАНДА]              справка по команде\n"
               "\n"
               "Параметры:\n"
               "  --demo                    имитатор прибора вместо прибора на USB\n"
               "  --verbose                 показывать и служебные сообщения библиотек\n"
               "  -h, --help                эта справка\n"
               "  --version                 версия программы\n"
               "  --                        конец параметров (имя файла может начинаться с "
               "«-»)\n") +
           UnitOptions +
           QStringLiteral("Параметры пишутся как «--unit N» или «--unit=N», до или после "
                          "аргументов.\n") +
           OutputNote +
           QStringLiteral("Проект на сервере Firebird указывается как inet://СЕРВЕР[:ПОРТ]/ИМЯ;\n"
                          "имя пользователя и пароль берутся из ISC_USER и ISC_PASSWORD или\n"
                          "спрашиваются в терминале.\n") +
           QStringLiteral("\nКоды завершения: 0 успех, 1 ошибка, 2 неверная командная строка.\n");
}

QString ctlCommandHelp(const QString& command)
{
    static const QHash<QString, QString> texts{
        {QStringLiteral("read"),
         QStringLiteral("Использование: vornctl [--demo] read ПРОЕКТ.fdb\n"
                        "Считывает все результаты из прибора, добавляет в проект те, которых\n"
                        "в нём нет, и сохраняет проект. Нет файла — создаётся новый проект;\n"
                        "он появляется под своим именем только после сохранения.\n"
                        "При ошибке существующий проект остаётся прежним.\n")},
        {QStringLiteral("export"),
         QStringLiteral("Использование: vornctl export ПРОЕКТ.fdb ФАЙЛ.csv|ФАЙЛ.xlsx "
                        "[--format csv|xlsx] [--measurand ...] [--unit ...]\n"
                        "Записывает результаты в CSV (Windows-1251, «;», CR LF), как экспорт\n"
                        "программы, или в книгу Excel со всеми полями, сводкой и описанием.\n"
                        "Формат задаёт --format, иначе расширение файла: .xlsx — книга.\n"
                        "Проект без результатов не экспортируется: ошибка, код 1.\n") +
             UnitOptions + OutputNote},
        {QStringLiteral("report"),
         QStringLiteral("Использование: vornctl report ПРОЕКТ.fdb ФАЙЛ.pdf [--measurand ...] "
                        "[--unit ...]\n"
                        "Записывает отчёт в PDF, как печать программы.\n"
                        "Проект без результатов не печатается: ошибка, код 1.\n") +
             UnitOptions + OutputNote},
        {QStringLiteral("screen"),
         QStringLiteral("Использование: vornctl [--demo] screen ФАЙЛ.bmp\n"
                        "Записывает снимок экрана прибора (BMP, чёрным по белому).\n") +
             OutputNote},
        {QStringLiteral("info"),
         QStringLiteral("Использование: vornctl info ПРОЕКТ.fdb [--format text|json]\n"
                        "Показывает прибор и версию данных проекта, число результатов, даты\n"
                        "первого и последнего результата (в json и описание проекта).\n")},
        {QStringLiteral("list"),
         QStringLiteral(
             "Использование: vornctl list ПРОЕКТ.fdb [--format tsv|json] "
             "[--measurand ...] [--unit ...]\n"
             "Выводит все результаты со всеми полями в UTF-8: дата и время по ISO 8601,\n"
             "номер, код и название типа арматуры, диаметр, оценка усилия, база,\n"
             "F в кгс и в выбранной величине и единице с полной точностью, P, S\n"
             "и комментарий.\n") +
             UnitOptions},
    };
    return texts.value(command, ctlUsage());
}

QString ctlUsageHint()
{
    return QStringLiteral("Справка: vornctl --help\n");
}
