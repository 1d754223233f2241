#include "app/qalbase.h"

#include "language/langmanager.h"
#include "language/languagemenu.h"
#include "views/messagetexts.h"

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
    for (const TMessageTextEntry& e : MessageTextTable) {
        if (e.Section != section) continue;
        // The windows hold their texts as UTF-8.
        QString text = QString::fromStdString(texts[e.Key]);
        LanMan->ReadText(QString::fromUtf8(e.Section.data(), qsizetype(e.Section.size())),
                         QString::fromUtf8(e.Id.data(), qsizetype(e.Id.size())), e.Common, text);
        texts[e.Key] = text.toStdString();
    }
}

} // namespace orvane
