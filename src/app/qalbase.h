// The data module: holds the program's one language manager.
#pragma once

#include "views/messagetexts.h"

#include <QObject>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

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
    // ReadText for every text of the table that the window named section asks for (see
    // messagetexts.h).
    template <class EKey, std::size_t N, const TTextEntry<EKey> (&Table)[N]>
    void ReadTexts(std::string_view section, TTexts<EKey, N, Table>& texts) const {
        std::vector<std::string_view> refused;
        for (const TTextEntry<EKey>& e : Table)
            if (e.Section == section)
                texts[e.Key] =
                    ReadMessageText(e.Section, e.Id, e.Common, e.Text, texts[e.Key], refused);
        ReportRefused(refused);
    }

private:
    // The text read over current; the built-in one, its id added to refused, when the read one
    // has other place holders.
    std::string ReadMessageText(std::string_view section, std::string_view id, bool common,
                                std::string_view builtIn, const std::string& current,
                                std::vector<std::string_view>& refused) const;
    void ReportRefused(const std::vector<std::string_view>& refused) const;
};

} // namespace orvane
