#include "app/qalbase.h"

#include "language/langmanager.h"
#include "language/languagemenu.h"
#include "recorder/textformat.h"
#include "views/messagetexts.h"
#include "views/recordedtext.h"

#include <QStringList>

namespace orvane {

TQalBase::TQalBase(QObject* parent) : QObject(parent) {
    setObjectName("QalBase");
    LanMan = CreateLanMan(this);
}

TQalBase::~TQalBase() = default;

QString TQalBase::Language() const {
    return LanMan->Language();
}
void TQalBase::SetLanguage(const QString& language) {
    LanMan->SetLanguage(language);
}
void TQalBase::SetLanguageFolder(const QString& folder) {
    LanMan->SetLanguageFolder(folder);
}

void TQalBase::ReadText(const QString& section, const QString& id, bool useCommon,
                        QString& text) const {
    LanMan->ReadText(section, id, useCommon, text);
}

void TQalBase::ReadTexts(std::string_view section, TMessageTexts& texts) const {
    QStringList refused;
    for (const TMessageTextEntry& e : MessageTextTable) {
        if (e.Section != section) continue;
        // The windows hold their texts as UTF-8.
        QString text = FromUtf8Text(texts[e.Key]);
        const QString id = FromUtf8Text(e.Id);
        LanMan->ReadText(FromUtf8Text(e.Section), id, e.Common, text);
        std::string read = ToUtf8Text(text);
        // The texts are formats: one whose place holders differ from the built-in ones would
        // put the arguments in the wrong places or pad them into megabytes.
        if (!SameFormatDirectives(e.Text, read)) {
            read = std::string(e.Text);
            refused << id;
        }
        texts[e.Key] = std::move(read);
    }
    if (!refused.isEmpty()) LanMan->ReportRefusedTexts(refused);
}

} // namespace orvane
