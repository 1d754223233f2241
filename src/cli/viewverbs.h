// The verbs of orvane-report that show the record the way the window does: the period tree, the
// CSV export and a JSON document of all entries.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orvane::cli {

int TreeVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int CsvVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int SummaryVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int JsonVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace orvane::cli
