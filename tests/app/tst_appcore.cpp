#include "app/AppTexts.h"
#include "app/ProgramFolder.h"
#include "app/SingleInstanceLock.h"
#include "common/Windows1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestAppCore : public QObject
{
    Q_OBJECT

private slots:
    void caption_data()
    {
        QTest::addColumn<QString>("projectName");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no project") << QString() << QStringLiteral("ВОРН-1.0");
        QTest::newRow("unix path") << QStringLiteral("/home/u/projects/bridge.fdb")
                                   << QStringLiteral("ВОРН-1.0 - [bridge.fdb]");
        QTest::newRow("windows path") << QStringLiteral("C:\\vorn\\projects\\мост.fdb")
                                      << QStringLiteral("ВОРН-1.0 - [мост.fdb]");
        QTest::newRow("bare name")
            << QStringLiteral("a.fdb") << QStringLiteral("ВОРН-1.0 - [a.fdb]");
    }
    void caption()
    {
        QFETCH(QString, projectName);
        QFETCH(QString, caption);
        QCOMPARE(AppTexts::windowCaption(projectName), caption);
    }

    void closeQuestionNamesOnlyTheFile()
    {
        QCOMPARE(AppTexts::saveChangesQuestion(QStringLiteral("/x/y/bridge.fdb")),
                 QStringLiteral("Сохранить изменеия в проекте\rbridge.fdb ?"));
    }

    void errorSentence_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no stop") << QStringLiteral("/opt/vorn/projects")
                                 << QStringLiteral("/opt/vorn/projects.");
        QTest::newRow("has stop") << QStringLiteral("Done.") << QStringLiteral("Done.");
        QTest::newRow("empty") << QString() << QStringLiteral(".");
    }
    void errorSentence()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(AppTexts::errorSentence(text), shown);
    }

    void windows1251_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("foreign");
        QTest::newRow("russian") << QStringLiteral("Мост №3, ёлка «А»") << QString();
        QTest::newRow("greek delta") << QStringLiteral("ΔF") << QStringLiteral("Δ");
        QTest::newRow("emoji") << QStringLiteral("ok 😀 x") << QStringLiteral("😀");
        QTest::newRow("cjk") << QStringLiteral("ab日") << QStringLiteral("日");
    }
    void windows1251()
    {
        QFETCH(QString, text);
        QFETCH(QString, foreign);
        QCOMPARE(Windows1251::firstForeignCharacter(text), foreign);
        QCOMPARE(Windows1251::canHold(text), foreign.isEmpty());
        if (foreign.isEmpty())
            QCOMPARE(Windows1251::decode(Windows1251::encode(text)), text);
    }

    void programFolderHoldsTheThreeFiles()
    {
        QTemporaryDir dir;
        ProgramFolder::setPath(dir.path());
        QCOMPARE(ProgramFolder::settingsFile(), dir.filePath(QStringLiteral("tst_appcore.ini")));
        QCOMPARE(ProgramFolder::settingsFileToRead(), ProgramFolder::settingsFile());
        QCOMPARE(ProgramFolder::projectsFolder(), dir.filePath(QStringLiteral("projects")));
        QCOMPARE(ProgramFolder::screenshotFile(), dir.filePath(QStringLiteral("sceenshot.bmp")));
    }

    // The program's folder only when a settings file beside it says the user chose a portable
    // install; never a system folder or a build tree, even when it is writable (root).
    void folderRule_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("portable");
        QTest::newRow("portable install") << "stick/vorn" << QStringList{"stick/vorn.ini"} << true;
        QTest::newRow("writable folder, no settings beside")
            << "stick/vorn" << QStringList{} << false;
        QTest::newRow("installed") << "/usr/bin/vorn" << QStringList{} << false;
        QTest::newRow("build tree with old settings beside")
            << "build/app/vorn-demo"
            << QStringList{"build/CMakeCache.txt", "build/app/vorn-demo.ini"} << false;
    }
    void folderRule()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, existing);
        QFETCH(bool, portable);
        QTemporaryDir dir;
        for (const QString& file : existing) {
            QDir().mkpath(QFileInfo(dir.filePath(file)).absolutePath());
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QString programFile = program.startsWith(u'/') ? program : dir.filePath(program);
        const QString name = QFileInfo(programFile).fileName();
        ProgramFolder::Homes homes;
        homes.configHome = dir.filePath(QStringLiteral("home/.config"));
        homes.documentsFolder = dir.filePath(QStringLiteral("home/Documents"));
        homes.oldDataFolder = dir.filePath(QStringLiteral("home/.local/share/vorn"));
        const ProgramPlaces p = ProgramFolder::choose(programFile, homes);
        QCOMPARE(p.portable, portable);
        const QDir base(portable ? QFileInfo(programFile).absolutePath() : QString());
        if (portable) {
            QCOMPARE(p.settingsFile, base.filePath(name + ".ini"));
            QCOMPARE(p.projectsFolder, base.filePath("projects"));
            QCOMPARE(p.screenshotFile, base.filePath("sceenshot.bmp"));
        } else {
            QCOMPARE(p.settingsFile, homes.configHome + "/vorn/" + name + ".ini");
            QCOMPARE(p.oldSettingsFile, homes.oldDataFolder + u'/' + name + ".ini");
            QCOMPARE(p.projectsFolder, homes.documentsFolder + QStringLiteral("/ВОРН"));
            QCOMPARE(p.screenshotFile, homes.documentsFolder + "/sceenshot.bmp");
        }
    }

    // A user of the earlier per-user folder keeps the settings, and with them the last project,
    // until the new file has been written once.
    void oldSettingsAreReadUntilNewOnesExist()
    {
        QTemporaryDir dir;
        ProgramPlaces p;
        p.settingsFile = dir.filePath(QStringLiteral("config/vorn/vorn.ini"));
        p.oldSettingsFile = dir.filePath(QStringLiteral("vorn.ini"));
        QCOMPARE(ProgramFolder::settingsFileToRead(p), p.settingsFile);
        QFile old(p.oldSettingsFile);
        QVERIFY(old.open(QIODevice::WriteOnly));
        QCOMPARE(ProgramFolder::settingsFileToRead(p), p.oldSettingsFile);
        QDir().mkpath(dir.filePath(QStringLiteral("config/vorn")));
        QFile now(p.settingsFile);
        QVERIFY(now.open(QIODevice::WriteOnly));
        QCOMPARE(ProgramFolder::settingsFileToRead(p), p.settingsFile);
    }

    void lockIsExclusiveAndReleased()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("lock"));
        {
            SingleInstanceLock first(file);
            QVERIFY(first.tryAcquire());
            // flock locks belong to the open file, so a second open in one process competes too.
            SingleInstanceLock second(file);
            QVERIFY(!second.tryAcquire());
            QVERIFY(!second.isHeld());
        }
        SingleInstanceLock third(file);
        QVERIFY(third.tryAcquire());
    }

    void lockInMissingFolderIsRefused()
    {
        SingleInstanceLock lock(QStringLiteral("/nonexistent-folder/x/lock"));
        QVERIFY(!lock.tryAcquire());
    }
};

QTEST_GUILESS_MAIN(TestAppCore)
#include "tst_appcore.moc"
