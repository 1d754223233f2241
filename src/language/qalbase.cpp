#include "language/qalbase.h"

namespace orvane {

TQalBase::TQalBase(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("QalBase"));
    LanMan = new TLangManager(this);
    LanMan->setObjectName(QStringLiteral("LanMan"));
    // The stored values. No folder has been scanned yet, so the language changes nothing.
    LanMan->SetLanguage(QStringLiteral("English"));
    LanMan->SetCreated(QStringLiteral("\"01.03.2007 Orvane developers\""));
    LanMan->SetBuildLanguage(false);
    LanMan->SetLangExtension(QStringLiteral(".lan"));
    LanMan->SetOptions(lmNumUnits);
}

} // namespace orvane
