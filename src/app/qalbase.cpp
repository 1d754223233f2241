#include "app/qalbase.h"

#include "language/langmanager.h"
#include "language/languagemenu.h"
#include "recorder/textformat.h"

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
    QString text = QString::fromStdString(current);
    LanMan->ReadText(QString::fromUtf8(section.data(), qsizetype(section.size())),
                     QString::fromUtf8(id.data(), qsizetype(id.size())), common, text);
    std::string read = text.toStdString();
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
        ids << QString::fromUtf8(id.data(), qsizetype(id.size()));
    LanMan->ReportRefusedTexts(ids);
}

} // namespace orvane
