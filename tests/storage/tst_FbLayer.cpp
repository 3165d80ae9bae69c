#include "common/OleDate.h"
#include "storage/fb/Attachment.h"
#include "storage/fb/Error.h"
#include "storage/fb/Statement.h"
#include "storage/fb/Transaction.h"
#include "tests/storage/StorageTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <bit>

using namespace StorageTest;

// The thin layer over the engine's interfaces, on a scratch database.
class TestFbLayer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    fb::Attachment m_attachment;

    fb::Attachment create(const QString& name)
    {
        const std::string path = QFile::encodeName(m_dir.filePath(name)).toStdString();
        return fb::Attachment::createByStatement("CREATE DATABASE " + fb::quoteLiteral(path) +
                                                 " PAGE_SIZE = 4096 DEFAULT CHARACTER SET ASCII");
    }

    void run(fb::Transaction& transaction, const std::string& sql)
    {
        fb::Statement statement(m_attachment, transaction, sql);
        statement.execute(transaction);
        transaction.commitRetaining();
    }

private slots:
    void initTestCase()
    {
        prepareEngine();
        QVERIFY(m_dir.isValid());
        m_attachment = create("layer.fdb");
        fb::Transaction transaction = fb::Transaction::startReadCommitted(m_attachment);
        run(transaction, "CREATE TABLE T (K INTEGER NOT NULL PRIMARY KEY, C CHAR(8), "
                         "V VARCHAR(20), B BLOB SUB_TYPE 0 SEGMENT SIZE 256, TS TIMESTAMP, "
                         "F FLOAT, D DOUBLE PRECISION, N NUMERIC(9,2))");
        run(transaction, "CREATE GENERATOR G");
        transaction.commit();
    }

    void cleanupTestCase() { m_attachment.detach(); }

    void engineErrorsCarryTheEngineText()
    {
        fb::Transaction transaction = fb::Transaction::startReadCommitted(m_attachment);
        try {
            fb::Statement statement(m_attachment, transaction, "SELEC 1 FROM RDB$DATABASE");
            QFAIL("prepared a bad statement");
        } catch (const fb::FbError& error) {
            QVERIFY2(QString(error.what()).contains("Token unknown"), error.what());
            QVERIFY(error.code() != 0);
        }
        const std::string missing = QFile::encodeName(m_dir.filePath("missing.fdb")).toStdString();
        try {
            fb::Attachment::attach(missing, "SYSDBA", "x", "ASCII");
            QFAIL("attached a missing file");
        } catch (const fb::FbError& error) {
            QVERIFY2(QString(error.what()).contains("missing.fdb"), error.what());
        }
    }

    void quoting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("literal");
        QTest::newRow("plain") << "VORN-1.0"
                               << "'VORN-1.0'";
        QTest::newRow("empty") << ""
                               << "''";
        QTest::newRow("quotes") << "it's ''x'"
                                << "'it''s ''''x'''";
    }

    void quoting()
    {
        QFETCH(QString, text);
        QFETCH(QString, literal);
        QCOMPARE(QString::fromStdString(fb::quoteLiteral(text.toStdString())), literal);
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("blob");
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        QTest::newRow("empty blob") << QByteArray("");
        QTest::newRow("every byte value") << all;
        QTest::newRow("one segment") << QByteArray(32768, 'a');
        QTest::newRow("several segments") << all.repeated(400);
    }

    void valuesRoundTrip()
    {
        QFETCH(QByteArray, blob);
        static int key = 0;
        ++key;
        const double when = OleDate::fromParts(2031, 7, 9, 13, 14, 15);
        fb::Transaction transaction = fb::Transaction::startReadCommitted(m_attachment);
        fb::Statement insert(
            m_attachment, transaction,
            "INSERT INTO T (K, C, V, B, TS, F, D, N) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        QCOMPARE(insert.paramCount(), 8u);
        insert.setInteger(0, key);
        insert.setBytes(1, "ab");
        insert.setBytes(2, "varying");
        insert.setBytes(3, blob.toStdString());
        insert.setDateTime(4, when);
        insert.setDouble(5, double(12.9f));
        insert.setDouble(6, 1.0 / 3.0);
        insert.setDouble(7, 12.345);
        insert.execute(transaction);
        QCOMPARE(insert.affectedRows(), 1u);

        fb::Statement select(m_attachment, transaction, "SELECT * FROM T WHERE K = ?");
        select.setInteger(0, key);
        select.open(transaction);
        QVERIFY(select.fetch());
        QCOMPARE(select.columnName(1), std::string("C"));
        QCOMPARE(select.columnKindAt(3), fb::ColumnKind::Blob);
        QCOMPARE(select.getBytes(1), std::string("ab      "));
        QCOMPARE(select.getBytes(2), std::string("varying"));
        QCOMPARE(QByteArray::fromStdString(select.getBytes(3)), blob);
        QCOMPARE(std::bit_cast<quint64>(select.getDateTime(4)), std::bit_cast<quint64>(when));
        QCOMPARE(select.getDouble(5), double(12.9f));
        QCOMPARE(select.getDouble(6), 1.0 / 3.0);
        QCOMPARE(select.getDouble(7), 12.35);
        QVERIFY(!select.fetch());
        select.closeCursor();
        transaction.rollback();
    }

    void nullsAndTooLongText()
    {
        fb::Transaction transaction = fb::Transaction::startReadCommitted(m_attachment);
        fb::Statement insert(m_attachment, transaction, "INSERT INTO T (K, C, B) VALUES (?, ?, ?)");
        insert.setInteger(0, 1000);
        insert.setNull(1);
        insert.setNull(2);
        insert.execute(transaction);
        fb::Statement select(m_attachment, transaction, "SELECT C, B, TS FROM T WHERE K = 1000");
        select.open(transaction);
        QVERIFY(select.fetch());
        QVERIFY(select.isNull(0) && select.isNull(1) && select.isNull(2));
        select.closeCursor();
        insert.setInteger(0, 1001);
        insert.setBytes(1, "123456789");
        QVERIFY_THROWS_EXCEPTION(fb::FbError, insert.execute(transaction));
        // The destructor rolls back what was not committed.
    }

    void generatorsStepAsAsked()
    {
        fb::Transaction transaction = fb::Transaction::startReadCommitted(m_attachment);
        const int64_t first = fb::nextGeneratorValue(m_attachment, transaction, "G");
        QCOMPARE(fb::nextGeneratorValue(m_attachment, transaction, "G", 100), first + 100);
        QCOMPARE(fb::nextGeneratorValue(m_attachment, transaction, "G"), first + 101);
        QVERIFY_THROWS_EXCEPTION(fb::FbError,
                                 fb::nextGeneratorValue(m_attachment, transaction, "G; DROP"));
    }

    void timestampsConvertExactly_data()
    {
        QTest::addColumn<double>("ole");
        QTest::newRow("epoch") << 0.0;
        QTest::newRow("noon 1899-12-30") << 0.5;
        QTest::newRow("1899-12-29 06:00") << -1.25;
        QTest::newRow("2000-01-01 00:00:01") << OleDate::fromParts(2000, 1, 1, 0, 0, 1);
        QTest::newRow("2255-12-31 23:59:59") << OleDate::fromParts(2255, 12, 31, 23, 59, 59);
        QTest::newRow("milliseconds") << OleDate::fromParts(2024, 6, 1, 1, 2, 3, 456);
    }

    void timestampsConvertExactly()
    {
        QFETCH(double, ole);
        QCOMPARE(std::bit_cast<quint64>(fb::oleFromTimestamp(fb::timestampFromOle(ole))),
                 std::bit_cast<quint64>(ole));
    }

    void timestampsOutOfRangeAreRefused()
    {
        QVERIFY_THROWS_EXCEPTION(fb::FbError, fb::timestampFromOle(std::nan("")));
        QVERIFY_THROWS_EXCEPTION(fb::FbError, fb::timestampFromOle(1e12));
    }
};

QTEST_GUILESS_MAIN(TestFbLayer)
#include "tst_FbLayer.moc"
