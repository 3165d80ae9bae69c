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

    bool OpenWithResults(TMainDataModule& module, int count)
    {
        const QString path = m_dir.filePath(QString("b%1.fdb").arg(++m_serial));
        if (!module.CreateDatabase(path) || !module.OpenDatabase(path))
            return false;
        for (int n = 0; n < count; ++n)
            module.AddResult(SampleResults::distinct(n));
        module.SaveChanges();
        module.dsetVORN->First();
        return true;
    }

    // keyClicks takes ASCII only; the user types Cyrillic too.
    static void Type(QWidget& widget, const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    static void LoseFocus(QPlainTextEdit& editor)
    {
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&editor, &focusOut);
    }

private slots:
    void initTestCase()
    {
        PrepareEngine();
        QVERIFY(m_dir.isValid());
    }

    void typingIsAChangeBeforeItIsPosted()
    {
        TMainDataModule module;
        QVERIFY(OpenWithResults(module, 3));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        QVERIFY(!module.HasChanges());
        Type(editor, QStringLiteral("Трещина"));
        QCOMPARE(module.ResultDataSource->State(), DataSetState::Edit);
        QVERIFY(module.HasChanges());
        QVERIFY(!module.dsetVORN->UpdatesPending());
        LoseFocus(editor);
        QCOMPARE(module.ResultDataSource->State(), DataSetState::Browse);
        QVERIFY(module.dsetVORN->UpdatesPending());
        QCOMPARE(module.dsetVORNMSR_COMMENT->AsString(), QStringLiteral("Трещина"));
    }

    void postEditsAndNavigationTakeTheTypedText()
    {
        TMainDataModule module;
        QVERIFY(OpenWithResults(module, 3));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        Type(editor, "first");
        module.PostEdits();
        QCOMPARE(module.dsetVORNMSR_COMMENT->AsString(), QString("first"));
        module.dsetVORN->Next();
        QCOMPARE(editor.toPlainText(), QString());
        Type(editor, "second");
        module.dsetVORN->Next();
        QCOMPARE(editor.toPlainText(), QString());
        module.dsetVORN->Prior();
        QCOMPARE(editor.toPlainText(), QString("second"));
        module.dsetVORN->First();
        QCOMPARE(editor.toPlainText(), QString("first"));
        module.SaveChanges();
        QVERIFY(!module.HasChanges());
    }

    // Line breaks are stored as CR LF, the text as Windows-1251, and a redraw while the user
    // types keeps what was typed.
    void descriptionKeepsItsLinesAndSurvivesARedraw()
    {
        TMainDataModule module;
        QVERIFY(OpenWithResults(module, 0));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.DescriptionDataSource, "PROJECT_DESC");
        Type(editor, QStringLiteral("Объект: мост"));
        module.DescriptionDataSet->RedrawControls();
        QTest::keyClick(&editor, Qt::Key_Return);
        Type(editor, "2026");
        QCOMPARE(editor.toPlainText(), QStringLiteral("Объект: мост\n2026"));
        module.PostEdits();
        QCOMPARE(module.DescriptionDataSetPROJECT_DESC->AsBytes(),
                 Windows1251::encode(QStringLiteral("Объект: мост\r\n2026")));
        module.SaveChanges();
        const QString path = module.MainDatabase->DBName();
        module.CloseDatabase();
        QCOMPARE(editor.toPlainText(), QString());
        QVERIFY(module.OpenDatabase(path));
        QCOMPARE(editor.toPlainText(), QStringLiteral("Объект: мост\n2026"));
    }

    void textTheCodePageCannotHoldIsRefused()
    {
        TMainDataModule module;
        QVERIFY(OpenWithResults(module, 1));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        QSignalSpy refusals(&binding, &DBMemoBinding::TextRejected);
        Type(editor, QStringLiteral("ok ✓ 日本"));
        LoseFocus(editor);
        QCOMPARE(refusals.count(), 1);
        QVERIFY(refusals.at(0).at(0).toString().contains(QStringLiteral("✓日本")));
        QCOMPARE(module.ResultDataSource->State(), DataSetState::Edit);
        QVERIFY_THROWS_EXCEPTION(StorageError, module.PostEdits());
        QVERIFY(module.dsetVORNMSR_COMMENT->IsNull());
        QCOMPARE(editor.toPlainText(), QStringLiteral("ok ✓ 日本"));
        editor.setPlainText(QStringLiteral("ok — №"));
        QVERIFY(binding.PostEdit());
        QCOMPARE(module.dsetVORNMSR_COMMENT->AsString(), QStringLiteral("ok — №"));
    }

    void cancellingTheEditBringsTheStoredTextBack()
    {
        TMainDataModule module;
        QVERIFY(OpenWithResults(module, 1));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        Type(editor, "typed");
        module.dsetVORN->Cancel();
        QCOMPARE(editor.toPlainText(), QString());
        QVERIFY(!module.HasChanges());
    }

    void readOnlyOrEmptyDatasetIsNotEdited()
    {
        TMainDataModule module;
        QVERIFY(OpenWithResults(module, 0));
        QPlainTextEdit editor;
        DBMemoBinding binding(&editor, module.ResultDataSource, "MSR_COMMENT");
        Type(editor, "x");
        QCOMPARE(module.ResultDataSource->State(), DataSetState::Browse);
        QVERIFY(!module.HasChanges());
    }
};

QTEST_MAIN(TestDBMemoBinding)
#include "tst_DBMemoBinding.moc"
