// orvane-report, the command-line companion: each verb reads the same record as the recorder.
#pragma once

#include "session/paths.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace orvane {
class TActivityList;
struct TLoadResult;
} // namespace orvane

namespace orvane::cli {

// Runs the command line (without the program name); returns the exit status.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The recorder's own data file: <app data>/Orvane/orvane.cdat.
using orvane::DefaultDataFile;

// Exit statuses besides 0.
constexpr int ExitUnreadable = 2; // the data file cannot be read at all
constexpr int ExitDamaged = 3;    // it is damaged: what could be read was still printed
constexpr int ExitUsage = 64;
constexpr int ExitRecorderRunning = 75; // a recorder holds the record's lock: try again later

// Loads the data file into list. Returns 0 when it was read whole; ExitDamaged when reading
// stopped early (list holds what came before, err says where it stopped); ExitUnreadable when it
// cannot be read (err holds the message).
int LoadRecord(const std::string& file, TActivityList& list, std::ostream& err);
// The exit status of a load that got that far: 0 for a whole file, else ExitDamaged, with where
// reading stopped on err.
int LoadStatus(const std::string& file, const TLoadResult& result, std::ostream& err);

// A recorded text, or one the views made of recorded texts and dates, in UTF-8 for the output.
// Recorded texts are the system's 8-bit text: the ANSI code page on Windows; on Linux UTF-8, where
// the bytes stay as they are (TerminalText and JsonString escape what is not UTF-8).
std::string OutputText(const std::string& text);
// A JSON string literal; bytes that are not valid UTF-8 are written as \u00XX.
std::string JsonString(const std::string& bytes);
// A text as the verbs write it for a terminal: control characters (C0, DEL and the 8-bit controls
// U+0080 to U+009F) and bytes that are not UTF-8 as \xHH, byte by byte; everything else as it is.
std::string TerminalText(const std::string& text);
// A double with 17 significant digits; null for values JSON cannot hold.
std::string JsonNumber(double value);

} // namespace orvane::cli
