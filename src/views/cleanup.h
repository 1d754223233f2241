// The two commands that change the record from the user's side: removing long activities one
// by one, and clearing the whole record. The dialogs and the tree refresh are handed in, so the
// window shows real dialogs and the tests answer them.
#pragma once

#include "recorder/activitylist.h"
#include "views/messagetexts.h"

#include <functional>
#include <optional>
#include <string>

namespace orvane {

// The answer to the question about one entry. Cancel (Esc) ends the walk; what was removed
// before stays removed.
enum class TRemoveAnswer { Yes, No, Cancel };

struct TRemoveLongsDialogs {
    // The hours query (title, prompt, the text the field starts with); nullopt when the user
    // cancels.
    std::function<std::optional<std::string>(const std::string& title, const std::string& prompt,
                                             const std::string& value)>
        AskHours;
    // Yes/No/Cancel question titled "Orvane".
    std::function<TRemoveAnswer(const std::string& question)> AskRemove;
    // A message that ends the command (a negative number of hours).
    std::function<void(const std::string& message)> ShowMessage;
    // Rebuilds the tree; called after every question, whatever the answer.
    std::function<void()> RefreshTree;
};

// Whole hours as entered: any number from 0 up; text that is not a whole number counts as 8;
// a negative number gives nullopt. A number too large to hold means "longer than anything".
std::optional<long long> ParseHours(const std::string& text);

// The hours the query starts with and that a text that is no whole number stands for.
constexpr long long DefaultRemoveHours = 8;

// Offers every entry but the running (last) one whose duration exceeds the hours entered; the
// number of entries is read anew at every step, since the recorder may append entries while a
// question is open. The query shows hours (in the prompt in place of "??", and in the field) and
// asks again on an empty answer; the hours entered are left in hours. Returns the number of
// entries removed.
int RemoveLongActivities(TActivityList& list, const TRemoveLongsDialogs& dialogs,
                         const TMessageTexts& texts = {}, long long* hours = nullptr);

// File > New: after a Yes, clears the list and writes the empty list to dataFile at once (an
// EFileError from the write escapes; the list is empty by then). afterClear resets the views.
// Returns whether the record was cleared.
bool NewRecord(TActivityList& list, const std::string& dataFile,
               const std::function<bool(const std::string& question)>& confirm,
               const std::function<void()>& afterClear, const TMessageTexts& texts = {});

} // namespace orvane
