#pragma once

#include "report/BuiltReport.h"
#include "report/ReportRowSource.h"
#include "report/ReportTemplate.h"

#include <QDateTime>
#include <QLocale>
#include <QVariant>
#include <functional>
#include <stdexcept>

// Asked first for every bracketed name; leaving the value invalid lets the report resolve
// the name itself (fields of the row source, DATE, TIME, PAGE#).
using ReportValueCallback = std::function<void(const QString& name, QVariant& value)>;

// Told the number of the page being processed; answering false cancels the work.
using ReportProgress = std::function<bool(int page)>;

// Handed each page as soon as it is complete; the report gives the bands its texts refer to.
using ReportPageSink = std::function<void(const BuiltReport& report, const BuiltPage& page)>;

struct ReportBuildContext
{
    ReportValueCallback getValue;
    ReportProgress progress;
    QDateTime moment = QDateTime::currentDateTime(); // DATE and TIME of every page
    QLocale locale;
    // When set, pages go to the sink instead of into the report, so that a long report never
    // holds more than one page; nothing on a page depends on the pages after it.
    ReportPageSink pageSink;
};

class ReportError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class ReportCancelled : public std::exception
{
public:
    const char* what() const noexcept override { return "cancelled"; }
};

// Lays the rows of the source out on pages: the header before the first row (and on top of
// every page while it repeats), one data band per row, the footer at the bottom of every
// page. Throws ReportError for a name nobody can resolve, ReportCancelled when progress
// answers false; errors of the row source pass through.
BuiltReport buildReport(const ReportTemplate& layout, ReportRowSource& rows,
                        const ReportBuildContext& context);

// The texts of DATE and TIME for a moment, in the locale's short date and long time format
// without a time zone.
QString reportDateText(const QDateTime& moment, const QLocale& locale);
QString reportTimeText(const QDateTime& moment, const QLocale& locale);
