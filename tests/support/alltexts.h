// Every built-in text of the program, whichever window's table holds it: the shared message texts,
// the about window's and the GNOME Shell offer's. Only the tables are read (no linking needed).
#pragma once

#include "app/aboutform.h"
#include "app/gnomeoffer.h"
#include "views/messagetexts.h"

#include <string_view>
#include <vector>

struct TAnyText {
    std::string_view Section, Id;
    bool Common;
    std::string_view Text;
};

inline std::vector<TAnyText> AllMessageTexts() {
    std::vector<TAnyText> all;
    const auto add = [&](const auto& table) {
        for (const auto& e : table)
            all.push_back({e.Section, e.Id, e.Common, e.Text});
    };
    add(orvane::MessageTextTable);
    add(orvane::AboutTextTable);
    add(orvane::GnomeTextTable);
    return all;
}
