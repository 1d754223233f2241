#include "app/qalbase.h"

#include "language/langmanager.h"
#include "language/languagemenu.h"

namespace orvane {

TQalBase::TQalBase(QObject* parent) : QObject(parent) {
    setObjectName("QalBase");
    LanMan = CreateLanMan(this);
}

TQalBase::~TQalBase() = default;

QString TQalBase::Language() const { return LanMan->Language(); }
void TQalBase::SetLanguage(const QString& language) { LanMan->SetLanguage(language); }
void TQalBase::SetLanguageFolder(const QString& folder) { LanMan->SetLanguageFolder(folder); }

void TQalBase::ReadText(const QString& section, const QString& id, bool useCommon,
                        QString& text) const {
    LanMan->ReadText(section, id, useCommon, text);
}

} // namespace orvane
