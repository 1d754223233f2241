#include "views/export.h"

#include "platform/atomicfile.h"
#include "recorder/datafile.h"
#include "recorder/textformat.h"

#include <ostream>
#include <sstream>

namespace orvane {

namespace {

void WriteNode(const TTreeNode& node, int depth, std::ostream& out) {
    for (int i = 0; i < depth; ++i)
        out.put('\t');
    out << node.Text << "\r\n";
    for (const TTreeNode& child : node.Children)
        WriteNode(child, depth + 1, out);
}

// Writes the file whole or not at all: a failed export leaves the file that was there. A failure
// to create it or to write it is reported as the file layer reports it.
template <class F> void WriteFile(const std::string& fileName, F&& write) {
    platform::TAtomicFile file(fileName);
    if (!file.Open()) throw EFileError(CannotCreateMessage(fileName, file.Error()));
    platform::TAtomicFileBuffer buffer(file);
    std::ostream out(&buffer);
    write(out);
    out.flush();
    if (!out || !file.Sync() || !file.Close()) throw EFileError("Stream write error");
    if (!file.Replace()) throw EFileError(CannotCreateMessage(fileName, file.Error()));
}

} // namespace

void WriteCsv(const TActivityList& list, std::ostream& out) {
    WriteCsv(list, out, {});
}

void WriteCsv(const TActivityList& list, std::ostream& out, const TFieldFilter& field) {
    const auto f = [&](const std::string& text) { return field ? field(text) : text; };
    out << "Process; Window.Caption; Date; Time; Duration\r\n\r\n";
    for (const TEntry& e : list.Entries()) {
        out << SafeFormat("%s; '%s; %s; %s; %s",
                          {f(e.Process), f(e.Caption), f(DateText(e.Start)), f(TimeText(e.Start)),
                           f(DurationText(e.Duration))})
            << "\r\n";
    }
}

std::string CsvQuotedField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

void WriteCsvQuoted(const TActivityList& list, std::ostream& out, const TFieldFilter& field) {
    const auto f = [&](const std::string& raw) { return CsvQuotedField(field ? field(raw) : raw); };
    out << "Process,Window.Caption,Date,Time,Duration\r\n";
    for (const TEntry& e : list.Entries()) {
        out << f(e.Process) << ',' << f(e.Caption) << ',' << f(DateText(e.Start)) << ','
            << f(TimeText(e.Start)) << ',' << f(DurationText(e.Duration)) << "\r\n";
    }
}

void SaveAsCsv(const TActivityList& list, const std::string& fileName) {
    WriteFile(fileName, [&](std::ostream& out) { WriteCsv(list, out); });
}

void WriteTreeText(const TTree& tree, std::ostream& out) {
    for (const TTreeNode& node : tree)
        WriteNode(node, 0, out);
}

void WriteTreeText(const TPeriodTree& tree, std::ostream& out, const TFieldFilter& field) {
    const auto text = [&](const std::string& t) { return field ? field(t) : t; };
    for (const TPeriodTree::TPeriod& period : tree.Periods()) {
        out << text(period.Text) << "\r\n";
        for (std::size_t p = period.First; p < period.First + period.Count; ++p) {
            out << '\t' << text(tree.ProgramText(p)) << "\r\n";
            const TPeriodTree::TProgram& program = tree.Programs()[p];
            for (std::size_t l = program.First; l < program.First + program.Count; ++l)
                out << "\t\t" << text(tree.LineText(l)) << "\r\n";
        }
    }
}

void SaveTreeAsText(const TPeriodTree& tree, const std::string& fileName) {
    WriteFile(fileName, [&](std::ostream& out) { WriteTreeText(tree, out); });
}

} // namespace orvane
