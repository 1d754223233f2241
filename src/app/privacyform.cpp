#include "app/privacyform.h"

#include "recorder/textformat.h"
#include "views/recordedtext.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace orvane {

namespace {

// One pattern per line in the dialog, PATTERN;PATTERN in the file.
std::vector<std::string> Lines(const QPlainTextEdit& edit) {
    std::vector<std::string> patterns;
    for (const QString& line : edit.toPlainText().split('\n')) {
        for (std::string& p : SplitPatterns(ToSystemText(line)))
            patterns.push_back(std::move(p));
    }
    return patterns;
}

QString Joined(const std::vector<std::string>& patterns) {
    QStringList lines;
    for (const std::string& p : patterns)
        lines << FromSystemText(p);
    return lines.join('\n');
}

} // namespace

TfrmPrivacy::TfrmPrivacy(QWidget* parent, const TPrivacySettings& settings,
                         const TMessageTexts& texts, const TActivityList& list, TDateTime weekStart,
                         TDateTime weekEnd)
    : QDialog(parent), FTexts(texts), FList(list), FWeekStart(weekStart), FWeekEnd(weekEnd) {
    setObjectName("frmPrivacy");
    setWindowTitle(FromUtf8Text(texts[EMessageText::SPrivacyCaption]));
    auto* layout = new QVBoxLayout(this);
    const auto label = [&](EMessageText text) {
        auto* l = new QLabel(FromUtf8Text(texts[text]), this);
        l->setWordWrap(true);
        layout->addWidget(l);
        return l;
    };
    label(EMessageText::SPrivacySkip);
    FSkip = new QPlainTextEdit(Joined(settings.Skip), this);
    FSkip->setObjectName("PrivacySkip");
    layout->addWidget(FSkip);
    label(EMessageText::SPrivacyHide);
    FHide = new QPlainTextEdit(Joined(settings.HideTitle), this);
    FHide->setObjectName("PrivacyHide");
    layout->addWidget(FHide);
    FBrowsing = new QCheckBox(FromUtf8Text(texts[EMessageText::SPrivacyBrowsing]), this);
    FBrowsing->setObjectName("PrivacyBrowsing");
    FBrowsing->setChecked(settings.PrivateBrowsing);
    layout->addWidget(FBrowsing);
    label(EMessageText::SPrivacyPatterns)->setEnabled(false);
    FCatch = label(EMessageText::SPrivacyWouldCatch);
    FCatch->setObjectName("PrivacyCatch");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    FDelay = new QTimer(this);
    FDelay->setSingleShot(true);
    FDelay->setInterval(400);
    connect(FDelay, &QTimer::timeout, this, &TfrmPrivacy::UpdateCatch);
    for (QPlainTextEdit* edit : {FSkip, FHide})
        connect(edit, &QPlainTextEdit::textChanged, FDelay, qOverload<>(&QTimer::start));
    connect(FBrowsing, &QCheckBox::toggled, this, &TfrmPrivacy::UpdateCatch);
    resize(520, 460);
    UpdateCatch();
}

TPrivacySettings TfrmPrivacy::Settings() const {
    TPrivacySettings s;
    s.Skip = Lines(*FSkip);
    s.HideTitle = Lines(*FHide);
    s.PrivateBrowsing = FBrowsing->isChecked();
    return s;
}

void TfrmPrivacy::UpdateCatch() {
    TPrivacyRules rules(Settings());
    const TPrivacyCatch c = WouldCatch(rules, FList, FWeekStart, FWeekEnd);
    FCatch->setText(
        FromUtf8Text(SafeFormat(FTexts[EMessageText::SPrivacyWouldCatch],
                                {std::to_string(c.SkipEntries), DurationText(c.SkipTime),
                                 std::to_string(c.HideEntries), DurationText(c.HideTime)})));
}

} // namespace orvane
