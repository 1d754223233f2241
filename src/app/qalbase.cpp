#include "app/qalbase.h"

#include "language/langmanager.h"
#include "language/languagemenu.h"
#include "recorder/textformat.h"
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

std::string TQalBase::ReadMessageText(std::string_view section, std::string_view id, bool common,
                                      std::string_view builtIn, const std::string& current,
                                      std::vector<std::string_view>& refused) const {
    // The windows hold their texts as UTF-8.
    QString text = FromUtf8Text(current);
    LanMan->ReadText(FromUtf8Text(section), FromUtf8Text(id), common, text);
    std::string read = ToUtf8Text(text);
    // The texts are formats: one whose place holders differ from the built-in ones would put the
    // arguments in the wrong places or pad them into megabytes.
    if (!SameFormatDirectives(builtIn, read)) {
        refused.push_back(id);
        return std::string(builtIn);
    }
    return read;
}

void TQalBase::ReportRefused(const std::vector<std::string_view>& refused) const {
    if (refused.empty()) return;
    QStringList ids;
    for (std::string_view id : refused)
        ids << FromUtf8Text(id);
    LanMan->ReportRefusedTexts(ids);
}

} // namespace orvane
