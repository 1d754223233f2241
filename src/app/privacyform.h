// Options > Privacy...: the rules of the section [Privacy] of the settings file (see
// views/privacy.h), with a line saying what they would have caught this week.
#pragma once

#include "recorder/activitylist.h"
#include "session/settings.h"
#include "views/messagetexts.h"
#include "views/privacy.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTimer;

namespace orvane {

class TfrmPrivacy : public QDialog {
    Q_OBJECT
public:
    // The week runs from weekStart to weekEnd (local wall-clock values, as entries keep them).
    TfrmPrivacy(QWidget* parent, const TPrivacySettings& settings, const TMessageTexts& texts,
                const TActivityList& list, TDateTime weekStart, TDateTime weekEnd);
    TPrivacySettings Settings() const;
    QLabel* CatchLine() const { return FCatch; }
    QPlainTextEdit* SkipEdit() const { return FSkip; }
    QPlainTextEdit* HideEdit() const { return FHide; }
    QCheckBox* BrowsingBox() const { return FBrowsing; }
    // Counts again what the rules as edited would catch (after a short pause in typing).
    void UpdateCatch();

private:
    const TMessageTexts& FTexts;
    const TActivityList& FList;
    TDateTime FWeekStart, FWeekEnd;
    QPlainTextEdit *FSkip = nullptr, *FHide = nullptr;
    QCheckBox* FBrowsing = nullptr;
    QLabel* FCatch = nullptr;
    QTimer* FDelay = nullptr;
};

} // namespace orvane
