#include "bench/support/RawProject.h"

#include "storage/TMainDataModule.h"
#include "storage/fb/Attachment.h"
#include "storage/fb/Statement.h"
#include "storage/fb/Transaction.h"
#include "tests/support/SampleResults.h"

#include <QFile>

#include <cstdio>

namespace {

std::string native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

namespace RawProject {

void insert(const QString& path, int from, int count)
{
    fb::Attachment attachment = fb::Attachment::attach(native(path), "SYSDBA", "x", "ASCII");
    fb::Transaction transaction = fb::Transaction::startReadCommitted(attachment);
    fb::Statement insert(attachment, transaction,
                         "INSERT INTO MSR_RESULT_TABLE (MSR_RESULT_TABLE_PK, MSR_DATE, MSR_TIME, "
                         "MSR_NUMBER, REINF_KIND_ID, REINF_DIAMETER, FORCE_ESTIMATE, BASE, F, P, "
                         "S, MSR_COMMENT) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (int n = from; n < from + count; ++n) {
        const TMsrResult r = SampleResults::rising(n);
        insert.setInteger(0, 1000000 + n);
        insert.setDateTime(1, r.MsrDate);
        insert.setDateTime(2, r.MsrDate);
        insert.setInteger(3, static_cast<int32_t>(r.MsrNumber));
        insert.setInteger(4, r.ReinfKindID);
        insert.setInteger(5, r.ReinfDiameter);
        insert.setInteger(6, r.ForceEstimate);
        insert.setInteger(7, r.Base);
        insert.setDouble(8, r.F);
        insert.setDouble(9, r.P);
        insert.setDouble(10, r.S);
        insert.setNull(11);
        insert.execute(transaction);
    }
    transaction.commit();
    attachment.detach();
}

void select(const QString& path)
{
    fb::Attachment attachment = fb::Attachment::attach(native(path), "SYSDBA", "x", "ASCII");
    fb::Transaction transaction = fb::Transaction::startReadCommitted(attachment);
    fb::Statement select(attachment, transaction,
                         "SELECT * FROM MSR_RESULT_TABLE ORDER BY MSR_DATE, MSR_NUMBER DESC");
    select.open(transaction);
    double sum = 0;
    while (select.fetch())
        for (unsigned c = 0; c < select.columnCount(); ++c)
            if (!select.isNull(c))
                sum += select.columnKindAt(c) == fb::ColumnKind::Blob
                           ? double(select.getBytes(c).size())
                           : select.getDouble(c);
    select.closeCursor();
    transaction.commit();
    attachment.detach();
    if (sum == 0)
        std::puts("(empty)");
}

bool make(const QString& path, int count)
{
    {
        TMainDataModule creator;
        if (!creator.CreateDatabase(path))
            return false;
    }
    insert(path, 0, count);
    fb::Attachment attachment = fb::Attachment::attach(native(path), "SYSDBA", "x", "ASCII");
    fb::Transaction transaction = fb::Transaction::startReadCommitted(attachment);
    fb::Statement(attachment, transaction, "SET GENERATOR MSR_RESULT_TABLE_GEN TO 2000000")
        .execute(transaction);
    transaction.commit();
    attachment.detach();
    return true;
}

} // namespace RawProject
