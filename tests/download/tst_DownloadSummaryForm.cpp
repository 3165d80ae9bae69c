#include "download/TDownloadSummaryForm.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class DownloadSummaryFormTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutAndTexts()
    {
        TDownloadSummaryForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Результаты чтения"));
        QCOMPARE(form.size(), QSize(194, 119));
        QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(form.findChild<QFrame*>("Bevel1")->geometry(), QRect(0, 0, 193, 81));
        QCOMPARE(form.findChild<QLabel*>("Label1")->text(), QStringLiteral("В памяти прибора"));
        QCOMPARE(form.findChild<QLabel*>("Label1")->pos(), QPoint(16, 16));
        QCOMPARE(form.findChild<QLabel*>("Label2")->text(), QStringLiteral("Добавлено в проект"));
        QCOMPARE(form.findChild<QLabel*>("Label2")->pos(), QPoint(16, 56));
        QCOMPARE(form.findChild<QLabel*>("ResultsInDeviceMemoryLabel")->pos(), QPoint(152, 16));
        QCOMPARE(form.findChild<QLabel*>("ResultsInDeviceMemoryLabel")->text(),
                 QStringLiteral("0"));
        QCOMPARE(form.findChild<QLabel*>("ResultsAddedToProjectLabel")->pos(), QPoint(152, 56));
        QCOMPARE(form.findChild<QLabel*>("ResultsAddedToProjectLabel")->text(),
                 QStringLiteral("0"));
        auto* close = form.findChild<QPushButton*>("CloseButton");
        QCOMPARE(close->text(), QStringLiteral("Закрыть"));
        QCOMPARE(close->geometry(), QRect(60, 88, 75, 25));
    }

    void numbersAreShownPlain_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "0";
        QTest::newRow("five") << 5 << "5";
        QTest::newRow("no grouping") << 1234567 << "1234567";
        QTest::newRow("negative") << -42 << "-42";
        QTest::newRow("largest") << 2147483647 << "2147483647";
    }

    void numbersAreShownPlain()
    {
        QFETCH(int, value);
        QFETCH(QString, text);
        TDownloadSummaryForm form;
        form.setResultsInDeviceMemory(value);
        form.setProperty("ResultsAddedToProject", value);
        QCOMPARE(form.ResultsInDeviceMemory(), value);
        QCOMPARE(form.ResultsAddedToProject(), value);
        QCOMPARE(form.ResultsInDeviceMemoryLabel->text(), text);
        QCOMPARE(form.ResultsAddedToProjectLabel->text(), text);
    }

    void closingGivesOk_data()
    {
        QTest::addColumn<int>("key"); // 0: the button is clicked
        QTest::newRow("button") << 0;
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Return);
    }

    void closingGivesOk()
    {
        QFETCH(int, key);
        TDownloadSummaryForm form;
        form.show();
        if (key == 0)
            QTest::mouseClick(form.CloseButton, Qt::LeftButton);
        else
            QTest::keyClick(&form, Qt::Key(key));
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(DownloadSummaryFormTest)
#include "tst_DownloadSummaryForm.moc"
