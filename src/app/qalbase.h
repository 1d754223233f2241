// The data module: holds the program's one language manager.
#pragma once

#include <QObject>
#include <QString>

namespace orvane {

class TLangManager;

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
};

} // namespace orvane
