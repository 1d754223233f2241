// The questions of File > New and Edit > Remove long activities, asked over the main window.
#pragma once

#include "views/cleanup.h"

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace orvane {

// Once the program ends (ended turns true: SIGTERM, the end of the session) every question
// counts as Cancel: after the exit sequence a dialog's loop returns at once, and a walk over a
// whole record would go on asking without end.
TRemoveLongsDialogs RemoveLongsDialogs(QWidget* window, const bool& ended,
                                       std::function<void(const QString&)> report,
                                       std::function<void()> refreshTree);

// File > New's question: Yes, No or Cancel; true for Yes.
bool ConfirmNewRecord(QWidget* window, const std::string& question);

} // namespace orvane
