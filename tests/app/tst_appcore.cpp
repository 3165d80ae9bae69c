#include "AppTexts.h"
#include "ProgramFolder.h"
#include "SingleInstanceLock.h"
#include "Windows1251.h"

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
        QCOMPARE(ProgramFolder::path(), dir.path());
        QCOMPARE(ProgramFolder::settingsFile(), dir.filePath(QStringLiteral("tst_appcore.ini")));
        QCOMPARE(ProgramFolder::projectsFolder(), dir.filePath(QStringLiteral("projects")));
        QCOMPARE(ProgramFolder::screenshotFile(), dir.filePath(QStringLiteral("sceenshot.bmp")));
    }

    void lockIsExclusiveAndReleased()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("lock"));
        {
            TSingleInstanceLock first(file);
            QVERIFY(first.tryAcquire());
            // flock locks belong to the open file, so a second open in one process competes too.
            TSingleInstanceLock second(file);
            QVERIFY(!second.tryAcquire());
            QVERIFY(!second.isHeld());
        }
        TSingleInstanceLock third(file);
        QVERIFY(third.tryAcquire());
    }

    void lockInMissingFolderIsRefused()
    {
        TSingleInstanceLock lock(QStringLiteral("/nonexistent-folder/x/lock"));
        QVERIFY(!lock.tryAcquire());
    }
};

QTEST_GUILESS_MAIN(TestAppCore)
#include "tst_appcore.moc"
