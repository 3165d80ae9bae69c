#include "storage/ResultTableModel.h"
#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace StorageTest;

// The results table's model over the results dataset.
class TestResultTableModel : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

    bool openNew(TMainDataModule& module)
    {
        const QString path = m_dir.filePath(QString("m%1.fdb").arg(++m_serial));
        return module.CreateDatabase(path) && module.OpenDatabase(path);
    }

    static void import(TMainDataModule& module, int from, int count)
    {
        module.BeginUpdate();
        for (int n = from; n < from + count; ++n)
            module.AddResult(SampleResults::distinct(n));
        module.SortResults();
        module.EndUpdate();
    }

private slots:
    void initTestCase()
    {
        prepareEngine();
        QVERIFY(m_dir.isValid());
    }

    void columnsAreTheVisibleFields()
    {
        TMainDataModule module;
        module.SetMeasurand(0);
        module.SetLoadUnit(1);
        ResultTableModel model(module.ResultDataSource);
        QCOMPARE(model.rowCount(), 0);
        QStringList titles;
        QList<int> widths;
        for (int c = 0; c < model.columnCount(); ++c) {
            titles << model.headerData(c, Qt::Horizontal).toString();
            widths
                << model.headerData(c, Qt::Horizontal, ResultTableModel::WidthInCharsRole).toInt();
        }
        QCOMPARE(titles, QStringList({"Дата", "Время", "№", "Тип", "Диаметр, мм", "Н"}));
        QCOMPARE(widths, QList<int>({12, 12, 6, 14, 14, 14}));
        QCOMPARE(model.fieldAt(5), module.dsetVORNF);
        QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
        module.SetMeasurand(1);
        QCOMPARE(headers.count(), 1);
        QCOMPARE(model.headerData(5, Qt::Horizontal).toString(), QString("МПа"));
    }

    void cellsShowTheDisplayTexts()
    {
        TMainDataModule module;
        ResultTableModel model(module.ResultDataSource);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(openNew(module));
        TMsrResult r = SampleResults::distinct(5);
        r.F = 10000;
        r.ReinfDiameter = 12;
        r.ReinfKindID = 4;
        QVERIFY(module.AddResult(r));
        QCOMPARE(model.rowCount(), 1);
        QStringList row;
        for (int c = 0; c < model.columnCount(); ++c)
            row << model.data(model.index(0, c)).toString();
        QCOMPARE(row,
                 QStringList({module.dsetVORNMSR_DATE->displayText(),
                              module.dsetVORNMSR_TIME->displayText(), "5", "?", "12", "10000"}));
        QCOMPARE(model.data(model.index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
        module.SetMeasurand(1);
        QCOMPARE(model.data(model.index(0, 5)).toString(), QString("8841"));
    }

    // Bulk work under BeginUpdate reaches the table once, at EndUpdate.
    void bulkWorkRedrawsOnce()
    {
        TMainDataModule module;
        QVERIFY(openNew(module));
        import(module, 0, 10);
        module.SaveChanges();
        ResultTableModel model(module.ResultDataSource);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy moves(&model, &ResultTableModel::currentRowChanged);

        module.BeginUpdate();
        for (int n = 10; n < 300; ++n)
            module.AddResult(SampleResults::distinct(n));
        module.SortResults();
        module.DeleteAllResults();
        module.CancelChanges();
        for (int n = 300; n < 400; ++n)
            module.AddResult(SampleResults::distinct(n));
        QCOMPARE(resets.count() + changes.count() + moves.count(), 0);
        QCOMPARE(model.rowCount(), 10);
        module.EndUpdate();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(model.rowCount(), 110);
        QCOMPARE(model.currentRow(), module.dsetVORN->recNo());
    }

    void currentRowFollowsTheCursorBothWays()
    {
        TMainDataModule module;
        QVERIFY(openNew(module));
        import(module, 0, 20);
        module.SaveChanges();
        ResultTableModel model(module.ResultDataSource);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        int scrolls = 0;
        module.OnResultScroll = [&scrolls] { ++scrolls; };
        QSignalSpy moves(&model, &ResultTableModel::currentRowChanged);
        module.dsetVORN->first();
        module.dsetVORN->next();
        QCOMPARE(model.currentRow(), 1);
        model.setCurrentRow(7);
        QCOMPARE(module.dsetVORN->recNo(), 7);
        QCOMPARE(moves.count(), 3);
        QCOMPARE(moves.last().at(0).toInt(), 7);
        QCOMPARE(scrolls, 3);
        module.dsetVORN->deleteRecord();
        QCOMPARE(model.rowCount(), 19);
        QCOMPARE(model.currentRow(), 7);
        module.CancelChanges();
        QCOMPARE(model.rowCount(), 20);
        module.CloseDatabase();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.currentRow(), -1);
    }
};

QTEST_GUILESS_MAIN(TestResultTableModel)
#include "tst_ResultTableModel.moc"
