// The two exports: every entry as CSV, and the period tree as indented text.
#pragma once

#include "recorder/activitylist.h"
#include "views/periods.h"

#include <iosfwd>
#include <string>

namespace orvane {

// "Process; Window.Caption; Date; Time; Duration", an empty line, then one line per entry
// ("%s; '%s; %s; %s; %s": process, caption, start date, start time, duration). Lines end with
// CR LF. Nothing is quoted: a semicolon in a caption stays as it is.
void WriteCsv(const TActivityList& list, std::ostream& out);
// The same into a file, replaced if it exists. Throws EFileError ("Cannot create file "%s". %s"
// when it cannot be created, "Stream write error" when writing fails).
void SaveAsCsv(const TActivityList& list, const std::string& fileName);

// Every node, depth first: one TAB per level, the text, CR LF. An empty tree writes nothing.
void WriteTreeText(const TTree& tree, std::ostream& out);
void WriteTreeText(const TPeriodTree& tree, std::ostream& out);
void SaveTreeAsText(const TPeriodTree& tree, const std::string& fileName);

} // namespace orvane
