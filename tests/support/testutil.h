// Small helpers shared by the view tests and the report tests: records, trees, zones.
#pragma once

#include "recorder/activitylist.h"
#include "views/periods.h"

#include <QByteArray>
#include <QtGlobal>

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace testutil {

using namespace orvane;

constexpr double Sec = 1.0 / 86400.0;
constexpr double Min = 60 * Sec;
constexpr double Hour = 3600 * Sec;

inline TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDateTime(y, mo, d, h, mi, s);
}

inline void Add(TActivityList& list, const std::string& process, const std::string& caption,
                TDateTime start, TDateTime duration) {
    TEntry e(process, caption, start);
    e.Duration = duration;
    list.AppendLoaded(e);
}

// "level|day|text" per node, depth first.
inline void Flatten(const TTree& tree, std::vector<std::string>& out) {
    for (const TTreeNode& n : tree) {
        out.push_back(std::to_string(n.Level) + "|" + (n.Data ? std::to_string(*n.Data) : "-") +
                      "|" + n.Text);
        Flatten(n.Children, out);
    }
}
inline std::vector<std::string> Flatten(const TTree& tree) {
    std::vector<std::string> out;
    Flatten(tree, out);
    return out;
}

// The tree of a view mode with every text made, as the tree view shows it; nullopt for a mode
// that has none.
inline std::optional<TTree> FillTree(const TActivityList& list, TViewMode viewMode,
                                     TDateTime now = Now()) {
    std::optional<TPeriodTree> tree = BuildPeriodTree(list, viewMode, now);
    if (!tree) return std::nullopt;
    return tree->Expand();
}
inline TTree FillTreeDaily(const TActivityList& list) {
    return *FillTree(list, TViewMode::vmDaily);
}
inline TTree FillTreeWeekly(const TActivityList& list) {
    return *FillTree(list, TViewMode::vmWeekly);
}
inline TTree FillTreeMonthly(const TActivityList& list) {
    return *FillTree(list, TViewMode::vmMonthly);
}
inline TTree FillTreeAll(const TActivityList& list, TDateTime now = Now()) {
    return *FillTree(list, TViewMode::vmAll, now);
}

// An environment variable set for the length of a test (TZ is applied at once).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : FName(name) {
        if (qEnvironmentVariableIsSet(name)) FOld = qgetenv(name);
        qputenv(name, value);
        ApplyZone();
    }
    ~ScopedEnv() {
        if (FOld)
            qputenv(FName, *FOld);
        else
            qunsetenv(FName);
        ApplyZone();
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    static void ApplyZone() {
#ifdef _WIN32
        _tzset();
#else
        tzset();
#endif
    }
    const char* FName;
    std::optional<QByteArray> FOld;
};

// Zones named as in the tz database (TZ=Europe/Berlin) are the C library's and Qt's local time
// on Linux; Windows takes its zone from the system.
#ifdef _WIN32
#define ORVANE_NEEDS_TZ_DATABASE() GTEST_SKIP() << "local time follows the system's zone here"
#else
#define ORVANE_NEEDS_TZ_DATABASE() (void)0
#endif

} // namespace testutil
