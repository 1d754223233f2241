// The change log under the chart: a line for each change of the foreground window, and the
// notices about the record.
#pragma once

#include "recorder/activitylist.h"

#include <vector>

class QPlainTextEdit;
class QWidget;

namespace orvane {

// The log as component Memo1 of parent: read-only, unwrapped, a few thousand lines at most.
QPlainTextEdit* NewChangeLog(QWidget* parent);
// Takes out every line of the windows of those entries of list.
void ForgetLines(QPlainTextEdit& log, const TActivityList& list, const std::vector<int>& indices);

} // namespace orvane
