// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line conventions of vornctl, through the real executable.
#include "ctl/ResultListing.h"
#include "storage/ResultTexts.h"
#include "storage/TMainDataModule.h"
#include "tests/ctl/VornctlRun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

class TestVornctlConventions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_project;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static QByteArray fileBytes(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_project = path(QStringLiteral("bridge.fdb"));
        const VornctlRun read = runVornctl({"--demo", "read", m_project});
        QCOMPARE(read.exitCode, 0);
    }

    void helpVersionAndUsageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString usage = QStringLiteral("Использование: vornctl [ПАРАМЕТРЫ] КОМАНДА");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << "";
        QTest::newRow("-h") << QStringList{"-h"} << 0 << usage << "";
        QTest::newRow("help") << QStringList{"help"} << 0 << usage << "";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "vornctl 1."
                                   << "";
        QTest::newRow("help read")
            << QStringList{"help", "read"} << 0 << "Использование: vornctl [--demo] read"
            << "";
        QTest::newRow("read --help")
            << QStringList{"read", "--help"} << 0 << "Использование: vornctl [--demo] read"
            << "";
        QTest::newRow("list -h") << QStringList{"list", "-h"} << 0 << "Использование: vornctl list"
                                 << "";
        QTest::newRow("no command") << QStringList{} << 2 << ""
                                    << "не указана команда";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << ""
                                         << "неизвестная команда «frobnicate»";
        QTest::newRow("help of an unknown command") << QStringList{"help", "frobnicate"} << 2 << ""
                                                    << "неизвестная команда";
        QTest::newRow("unknown option") << QStringList{"info", "x.fdb", "--fast"} << 2 << ""
                                        << "неизвестный параметр «--fast»";
        QTest::newRow("value missing") << QStringList{"list", "x.fdb", "--unit"} << 2 << ""
                                       << "--unit: не указано значение";
        QTest::newRow("bad value") << QStringList{"list", "x.fdb", "--unit=lbf"} << 2 << ""
                                   << "недопустимое значение «lbf»";
        QTest::newRow("value to a flag") << QStringList{"--demo=1", "screen", "x.bmp"} << 2 << ""
                                         << "не принимает значения";
        QTest::newRow("unit for info") << QStringList{"info", "x.fdb", "--unit", "N"} << 2 << ""
                                       << "применим только";
        QTest::newRow("format for report")
            << QStringList{"report", "x.fdb", "x.pdf", "--format", "json"} << 2 << ""
            << "применим только";
        QTest::newRow("json for export")
            << QStringList{"export", "x.fdb", "x.csv", "--format", "json"} << 2 << ""
            << "недопустимое значение «json» (возможны: csv, xlsx)";
        QTest::newRow("tsv for info") << QStringList{"info", "x.fdb", "--format", "tsv"} << 2 << ""
                                      << "недопустимое значение «tsv»";
        QTest::newRow("file missing") << QStringList{"export", "x.fdb"} << 2 << ""
                                      << "ожидается файлов: 2, указано: 1";
    }

    void helpVersionAndUsageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const VornctlRun run = runVornctl(arguments);
        QCOMPARE(run.exitCode, exitCode);
        if (out.isEmpty())
            QVERIFY(run.out.isEmpty());
        else
            QVERIFY2(QString::fromUtf8(run.out).startsWith(out), run.out.constData());
        if (err.isEmpty()) {
            QCOMPARE(run.err, QString());
        } else {
            QVERIFY2(run.err.startsWith(u"vornctl: "), qPrintable(run.err));
            QVERIFY2(run.err.contains(err), qPrintable(run.err));
            QVERIFY(run.err.contains(u"Справка: vornctl --help"));
        }
    }

    // Each spelling gives the output of "list PROJECT --format json --measurand stress --unit N".
    void optionSpellingsAreEquivalent_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("with =") << QStringList{"list", "@", "--format=json", "--measurand=stress",
                                               "--unit=N"};
        QTest::newRow("before the command")
            << QStringList{"--unit", "N", "--format", "json", "--measurand", "stress", "list", "@"};
        QTest::newRow("between the operands")
            << QStringList{"list", "--measurand=stress", "@", "--unit", "N", "--format", "json"};
        QTest::newRow("after --") << QStringList{
            "--format", "json", "--measurand", "stress", "--unit", "N", "--", "list", "@"};
    }

    void optionSpellingsAreEquivalent()
    {
        QFETCH(QStringList, arguments);
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), m_project);
        const VornctlRun reference = runVornctl(
            {"list", m_project, "--format", "json", "--measurand", "stress", "--unit", "N"});
        QCOMPARE(reference.exitCode, 0);
        const VornctlRun run = runVornctl(arguments);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, reference.out);
    }

    void doubleDashAllowsAFileNameWithALeadingDash()
    {
        const VornctlRun reference = runVornctl({"export", m_project, "-"});
        VornctlOptions options;
        options.workingDirectory = m_dir.path();
        const VornctlRun run = runVornctl({"export", "--", "bridge.fdb", "-dash.csv"}, options);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(fileBytes(path(QStringLiteral("-dash.csv"))), reference.out);
        QCOMPARE(runVornctl({"export", "bridge.fdb", "-dash.csv"}, options).exitCode, 2);
    }

    void dashWritesToStandardOutput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("exact");
        QTest::newRow("export") << QStringList{"export", "@"} << "out.csv" << true;
        QTest::newRow("screen") << QStringList{"--demo", "screen"} << "out.bmp" << true;
        // A PDF carries its moment of writing, so only its frame is compared.
        QTest::newRow("report") << QStringList{"report", "@"} << "out.pdf" << false;
    }

    void dashWritesToStandardOutput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        QFETCH(bool, exact);
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), m_project);
        const VornctlRun toFile = runVornctl(arguments + QStringList{path(file)});
        QCOMPARE(toFile.exitCode, 0);
        QVERIFY(toFile.out.isEmpty());
        const VornctlRun toPipe = runVornctl(arguments + QStringList{"-"});
        QCOMPARE(toPipe.exitCode, 0);
        QCOMPARE(toPipe.err, QString());
        const QByteArray written = fileBytes(path(file));
        QVERIFY(!written.isEmpty());
        if (exact) {
            QCOMPARE(toPipe.out, written);
        } else {
            QVERIFY(toPipe.out.startsWith("%PDF-"));
            QVERIFY(toPipe.out.trimmed().endsWith("%%EOF"));
            QVERIFY(std::abs(toPipe.out.size() - written.size()) < 200);
        }
    }

    // Qt warns about the environment (no XDG_RUNTIME_DIR) on stderr unless the tool keeps it
    // quiet; --verbose lets it through.
    void standardErrorHoldsOnlyTheToolsMessages_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("report") << QStringList{"report", "@", "@out.pdf"};
        QTest::newRow("export") << QStringList{"export", "@", "@out.csv"};
        QTest::newRow("list") << QStringList{"list", "@"};
        QTest::newRow("info") << QStringList{"info", "@", "--format", "json"};
    }

    void standardErrorHoldsOnlyTheToolsMessages()
    {
        QFETCH(QStringList, arguments);
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), m_project);
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@(.+)")),
                                   m_dir.path() + QStringLiteral("/\\1"));
        VornctlOptions options;
        options.environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        const VornctlRun run = runVornctl(arguments, options);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
    }

    void listGivesEveryFieldOfEveryResult_data()
    {
        QTest::addColumn<int>("measurand");
        QTest::addColumn<int>("unit");
        QTest::newRow("force in kgf") << 0 << 0;
        QTest::newRow("force in N") << 0 << 1;
        QTest::newRow("stress in kgf/cm2") << 1 << 0;
        QTest::newRow("stress in MPa") << 1 << 1;
    }

    void listGivesEveryFieldOfEveryResult()
    {
        QFETCH(int, measurand);
        QFETCH(int, unit);
        const QStringList selection{"--measurand", measurand ? "stress" : "force", "--unit",
                                    unit ? "N" : "kgf"};
        const VornctlRun json =
            runVornctl(QStringList{"list", m_project, "--format", "json"} + selection);
        QCOMPARE(json.exitCode, 0);
        QJsonParseError error;
        const QJsonObject document = QJsonDocument::fromJson(json.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const VornctlRun tsv = runVornctl(QStringList{"list", m_project} + selection);
        QCOMPARE(tsv.exitCode, 0);
        const QStringList lines = QString::fromUtf8(tsv.out).split(u'\n', Qt::SkipEmptyParts);

        TMainDataModule dataModule;
        QVERIFY(dataModule.OpenDatabase(m_project));
        dataModule.SetMeasurand(measurand);
        dataModule.SetLoadUnit(unit);
        QCOMPARE(document[u"measurand_name"].toString(), dataModule.GetMeasurandName());
        QCOMPARE(document[u"unit_name"].toString(), dataModule.GetMeasurandUnit());
        const QJsonArray results = document[u"results"].toArray();
        QCOMPARE(results.size(), 120);
        QCOMPARE(lines.size(), 121);
        const QStringList header = lines[0].split(u'\t');
        QCOMPARE(header.size(), 12);
        int row = 0;
        TMainDataModule& m = dataModule;
        for (m.dsetVORN->first(); !m.dsetVORN->eof(); m.dsetVORN->next(), ++row) {
            const QJsonObject r = results[row].toObject();
            QCOMPARE(r.keys().size(), 12);
            const QStringList cells = lines[row + 1].split(u'\t');
            QCOMPARE(cells.size(), 12);
            for (int column = 0; column < 12; ++column) {
                const QJsonValue value = r[header[column]];
                const QString text =
                    value.isDouble()
                        ? QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest)
                        : value.toString();
                QCOMPARE(cells[column], text);
            }
            const double moment = m.dsetVORNMSR_DATE->asDateTime();
            QCOMPARE(r[u"date_time"].toString(),
                     QDateTime::fromString(ResultTexts::dateText(moment) + u' ' +
                                               ResultTexts::timeText(moment),
                                           QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                         .toString(Qt::ISODate));
            QCOMPARE(r[u"number"].toInt(), m.dsetVORNMSR_NUMBER->asInteger());
            QCOMPARE(r[u"kind"].toInt(), m.dsetVORNREINF_KIND_ID->asInteger());
            QCOMPARE(r[u"kind_name"].toString(), m.dsetVORNREINF_KIND_ID->displayText());
            QCOMPARE(r[u"diameter"].toInt(), m.dsetVORNREINF_DIAMETER->asInteger());
            QCOMPARE(r[u"force_estimate"].toInt(), m.dsetVORNFORCE_ESTIMATE->asInteger());
            QCOMPARE(r[u"base"].toInt(), m.dsetVORNBASE->asInteger());
            // Read back as a 32-bit float, each is exactly the stored value.
            QCOMPARE(float(r[u"f_kgf"].toDouble()), float(m.dsetVORNF->asFloat()));
            QCOMPARE(float(r[u"p"].toDouble()), float(m.dsetVORNP->asFloat()));
            QCOMPARE(float(r[u"s"].toDouble()), float(m.dsetVORNS->asFloat()));
            // Cut to its whole part, the selected F is what the table shows.
            const QString shown = m.dsetVORNF->displayText();
            if (shown == u"?")
                QVERIFY(r[u"f"].isNull());
            else
                QCOMPARE(QString::number(std::trunc(r[u"f"].toDouble()), 'f', 0), shown);
            QVERIFY(r[u"comment"].isNull());
        }
        QCOMPARE(row, 120);
    }

    void infoJsonDescribesTheProject()
    {
        const VornctlRun run = runVornctl({"info", m_project, "--format=json"});
        QCOMPARE(run.exitCode, 0);
        QJsonParseError error;
        const QJsonObject info = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(info[u"device_name"].toString(), QStringLiteral("VORN-1.0"));
        QCOMPARE(info[u"data_version"].toInt(), 65537);
        QCOMPARE(info[u"results"].toInt(), 120);
        const QDateTime first = QDateTime::fromString(info[u"first"].toString(), Qt::ISODate);
        const QDateTime last = QDateTime::fromString(info[u"last"].toString(), Qt::ISODate);
        QVERIFY(first.isValid() && last.isValid() && first < last);
        QVERIFY(info[u"description"].isNull());
    }

    void isoDateTimes_data()
    {
        QTest::addColumn<double>("ole");
        QTest::addColumn<QString>("iso");
        QTest::newRow("day zero") << 0.0 << "1899-12-30T00:00:00";
        QTest::newRow("noon") << 45000.5 << "2023-03-15T12:00:00";
        QTest::newRow("milliseconds") << 45000.0 + 1.5 / 86400.0 << "2023-03-15T00:00:01.500";
        QTest::newRow("before day zero") << -1.25 << "1899-12-29T06:00:00";
    }

    void isoDateTimes()
    {
        QFETCH(double, ole);
        QFETCH(QString, iso);
        QCOMPARE(ResultListing::isoDateTime(ole), iso);
    }
};

QTEST_MAIN(TestVornctlConventions)
#include "tst_vornctlconventions.moc"
