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
    fb::Attachment attachment = fb::Attachment::Attach(native(path), "SYSDBA", "x", "ASCII");
    fb::Transaction transaction = fb::Transaction::StartReadCommitted(attachment);
    fb::Statement insert(attachment, transaction,
                         "INSERT INTO MSR_RESULT_TABLE (MSR_RESULT_TABLE_PK, MSR_DATE, MSR_TIME, "
                         "MSR_NUMBER, REINF_KIND_ID, REINF_DIAMETER, FORCE_ESTIMATE, BASE, F, P, "
                         "S, MSR_COMMENT) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (int n = from; n < from + count; ++n) {
        const TMsrResult r = SampleResults::rising(n);
        insert.SetInteger(0, 1000000 + n);
        insert.SetDateTime(1, r.MsrDate);
        insert.SetDateTime(2, r.MsrDate);
        insert.SetInteger(3, static_cast<int32_t>(r.MsrNumber));
        insert.SetInteger(4, r.ReinfKindID);
        insert.SetInteger(5, r.ReinfDiameter);
        insert.SetInteger(6, r.ForceEstimate);
        insert.SetInteger(7, r.Base);
        insert.SetDouble(8, r.F);
        insert.SetDouble(9, r.P);
        insert.SetDouble(10, r.S);
        insert.SetNull(11);
        insert.Execute(transaction);
    }
    transaction.Commit();
    attachment.Detach();
}

void select(const QString& path)
{
    fb::Attachment attachment = fb::Attachment::Attach(native(path), "SYSDBA", "x", "ASCII");
    fb::Transaction transaction = fb::Transaction::StartReadCommitted(attachment);
    fb::Statement select(attachment, transaction,
                         "SELECT * FROM MSR_RESULT_TABLE ORDER BY MSR_DATE, MSR_NUMBER DESC");
    select.Open(transaction);
    double sum = 0;
    while (select.Fetch())
        for (unsigned c = 0; c < select.ColumnCount(); ++c)
            if (!select.IsNull(c))
                sum += select.ColumnKindAt(c) == fb::ColumnKind::Blob
                           ? double(select.GetBytes(c).size())
                           : select.GetDouble(c);
    select.CloseCursor();
    transaction.Commit();
    attachment.Detach();
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
    fb::Attachment attachment = fb::Attachment::Attach(native(path), "SYSDBA", "x", "ASCII");
    fb::Transaction transaction = fb::Transaction::StartReadCommitted(attachment);
    fb::Statement(attachment, transaction, "SET GENERATOR MSR_RESULT_TABLE_GEN TO 2000000")
        .Execute(transaction);
    transaction.Commit();
    attachment.Detach();
    return true;
}

} // namespace RawProject
