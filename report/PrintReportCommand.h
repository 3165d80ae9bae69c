#pragma once

#include "report/ReportTemplate.h"

class QWidget;
class TMainDataModule;

// The body of the main window's PrintReportActionExecute: builds the report of every result in
// MainReport's band settings for printing and shows it in the modal preview with zoom, print
// and close. MainReport is the main window's template; the band settings stay in it.
void printReport(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent);
