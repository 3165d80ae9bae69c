#include "common/Windows1251.h"
#include "storage/StorageError.h"
#include "storage/TMainDataModule.h"
#include "storage/ui/DBMemoBinding.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace StorageTest;

// The comment and description editors bound to their blob fields.
class TestDBMemoBinding : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

    bool openWithResults(TMainDataModule& module, int count)
    {
        const QString path = m_dir.filePath(QString("b%1.fdb").arg(++m_serial));
        if (!module.CreateDatabase(path) || !module.OpenDatabase(path))
            return false;
        for (int n = 0; n < count; ++n)
            module.AddResult(SampleResults::distinct(n));
        module.SaveChanges();
        module.dsetVORN->first();
        return true;
    }

    // keyClicks takes ASCII only; the user types Cyrillic too.
    static void type(QWidget& widget, const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    static void loseFocus(QPlainTextEdit& editor)
    {
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&editor, &focusOut);
    }

private slots:
    void initTestCase()
    {
        prepareEngine();
        QVERIFY(m_dir.isValid());
    }

    void typingIsAChangeBeforeItIsPosted()
    {
        TMainDataModule module;
        QVERIFY(openWithResults(module, 3));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        QVERIFY(!module.HasChanges());
        type(editor, QStringLiteral("Трещина"));
        QCOMPARE(module.ResultDataSource->state(), DataSetState::Edit);
        QVERIFY(module.HasChanges());
        QVERIFY(!module.dsetVORN->updatesPending());
        loseFocus(editor);
        QCOMPARE(module.ResultDataSource->state(), DataSetState::Browse);
        QVERIFY(module.dsetVORN->updatesPending());
        QCOMPARE(module.dsetVORNMSR_COMMENT->asString(), QStringLiteral("Трещина"));
    }

    void postEditsAndNavigationTakeTheTypedText()
    {
        TMainDataModule module;
        QVERIFY(openWithResults(module, 3));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        type(editor, "first");
        module.PostEdits();
        QCOMPARE(module.dsetVORNMSR_COMMENT->asString(), QString("first"));
        module.dsetVORN->next();
        QCOMPARE(editor.toPlainText(), QString());
        type(editor, "second");
        module.dsetVORN->next();
        QCOMPARE(editor.toPlainText(), QString());
        module.dsetVORN->prior();
        QCOMPARE(editor.toPlainText(), QString("second"));
        module.dsetVORN->first();
        QCOMPARE(editor.toPlainText(), QString("first"));
        module.SaveChanges();
        QVERIFY(!module.HasChanges());
    }

    // Line breaks are stored as CR LF, the text as Windows-1251, and a redraw while the user
    // types keeps what was typed.
    void descriptionKeepsItsLinesAndSurvivesARedraw()
    {
        TMainDataModule module;
        QVERIFY(openWithResults(module, 0));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.DescriptionDataSource, "PROJECT_DESC");
        type(editor, QStringLiteral("Объект: мост"));
        module.DescriptionDataSet->redrawControls();
        QTest::keyClick(&editor, Qt::Key_Return);
        type(editor, "2026");
        QCOMPARE(editor.toPlainText(), QStringLiteral("Объект: мост\n2026"));
        module.PostEdits();
        QCOMPARE(module.DescriptionDataSetPROJECT_DESC->asBytes(),
                 Windows1251::encode(QStringLiteral("Объект: мост\r\n2026")));
        module.SaveChanges();
        const QString path = module.MainDatabase->dbName();
        module.CloseDatabase();
        QCOMPARE(editor.toPlainText(), QString());
        QVERIFY(module.OpenDatabase(path));
        QCOMPARE(editor.toPlainText(), QStringLiteral("Объект: мост\n2026"));
    }

    void textTheCodePageCannotHoldIsRefused()
    {
        TMainDataModule module;
        QVERIFY(openWithResults(module, 1));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        QSignalSpy refusals(&binding, &DBMemoBinding::textRejected);
        type(editor, QStringLiteral("ok ✓ 日本"));
        loseFocus(editor);
        QCOMPARE(refusals.count(), 1);
        QVERIFY(refusals.at(0).at(0).toString().contains(QStringLiteral("✓日本")));
        QCOMPARE(module.ResultDataSource->state(), DataSetState::Edit);
        QVERIFY_THROWS_EXCEPTION(StorageError, module.PostEdits());
        QVERIFY(module.dsetVORNMSR_COMMENT->isNull());
        QCOMPARE(editor.toPlainText(), QStringLiteral("ok ✓ 日本"));
        editor.setPlainText(QStringLiteral("ok — №"));
        QVERIFY(binding.postEdit());
        QCOMPARE(module.dsetVORNMSR_COMMENT->asString(), QStringLiteral("ok — №"));
    }

    void cancellingTheEditBringsTheStoredTextBack()
    {
        TMainDataModule module;
        QVERIFY(openWithResults(module, 1));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        type(editor, "typed");
        module.dsetVORN->cancel();
        QCOMPARE(editor.toPlainText(), QString());
        QVERIFY(!module.HasChanges());
    }

    void readOnlyOrEmptyDatasetIsNotEdited()
    {
        TMainDataModule module;
        QVERIFY(openWithResults(module, 0));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        type(editor, "x");
        QCOMPARE(module.ResultDataSource->state(), DataSetState::Browse);
        QVERIFY(!module.HasChanges());
    }
};

QTEST_MAIN(TestDBMemoBinding)
#include "tst_DBMemoBinding.moc"
