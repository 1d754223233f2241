// The two exports: every entry as CSV, and the period tree as indented text.
#pragma once

#include "recorder/activitylist.h"
#include "views/periods.h"

#include <functional>
#include <iosfwd>
#include <string>

namespace orvane {

// "Process; Window.Caption; Date; Time; Duration", an empty line, then one line per entry
// ("%s; '%s; %s; %s; %s": process, caption, start date, start time, duration). Lines end with
// CR LF. Nothing is quoted: a semicolon in a caption stays as it is.
void WriteCsv(const TActivityList& list, std::ostream& out);
// A text as it goes into a line; the command line escapes control characters with it.
using TFieldFilter = std::function<std::string(const std::string&)>;
// The same lines, each field passed through `field` first.
void WriteCsv(const TActivityList& list, std::ostream& out, const TFieldFilter& field);
// The same entries as RFC 4180 CSV for other programs: the header
// "Process,Window.Caption,Date,Time,Duration", then one record per entry (the caption without the
// apostrophe), fields separated by commas; a field holding a comma, a double quote, CR or LF is
// put in double quotes, its double quotes doubled. Lines end with CR LF.
void WriteCsvQuoted(const TActivityList& list, std::ostream& out, const TFieldFilter& field = {});
// One field of such a record: in double quotes, its double quotes doubled, when it holds a comma, a
// double quote, CR or LF; otherwise as it is.
std::string CsvQuotedField(const std::string& text);
// The same into a file, replaced if it exists. Throws EFileError ("Cannot create file "%s". %s"
// when it cannot be created, "Stream write error" when writing fails).
void SaveAsCsv(const TActivityList& list, const std::string& fileName);

// Every node, depth first: one TAB per level, the text, CR LF. An empty tree writes nothing.
void WriteTreeText(const TTree& tree, std::ostream& out);
void WriteTreeText(const TPeriodTree& tree, std::ostream& out, const TFieldFilter& field = {});
void SaveTreeAsText(const TPeriodTree& tree, const std::string& fileName);

} // namespace orvane
