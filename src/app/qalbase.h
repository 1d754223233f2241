// The data module: holds the program's one language manager.
#pragma once

#include <QObject>
#include <QString>

#include <string_view>

namespace orvane {

class TLangManager;
class TMessageTexts;

class TQalBase : public QObject {
    Q_OBJECT
public:
    explicit TQalBase(QObject* parent = nullptr);
    ~TQalBase() override;

    TLangManager* LanMan = nullptr; // owned (a child of this object)

    QString Language() const;
    void SetLanguage(const QString& language);
    void SetLanguageFolder(const QString& folder);
    void ReadText(const QString& section, const QString& id, bool useCommon, QString& text) const;
    // ReadText for every message text of the window named section (see messagetexts.h).
    void ReadTexts(std::string_view section, TMessageTexts& texts) const;
};

} // namespace orvane
