#pragma once
// Checks of a laid-out report page that hold for every report.
#include <QStringList>

struct TReportPage;

// Amounts (texts right-aligned or centred on one line) that come closer than a blank of their
// font to another text of their line on a side they widen to, or reach out of their band: one
// description each.
QStringList AmountsRunningIntoOthers(const TReportPage &page);
