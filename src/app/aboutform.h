// The about window: the program's icon, the product line with the version, and the maker's text
// with its web and e-mail addresses as links.
#pragma once

#include "views/messagetexts.h"

#include <QDialog>
#include <QString>

#include <utility>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;
class QTextEdit;

namespace orvane {

class TQalBase;

// The about window's texts, in its own section of the common language file.
enum class EAboutText {
    SCaptionAbout,
    SVersion, // one %s: the product version
    SAboutText,
};

inline constexpr TTextEntry<EAboutText> AboutTextTable[] = {
    {EAboutText::SCaptionAbout, "FrmAbout", "SCaptionAbout", true, "About Orvane"},
    {EAboutText::SVersion, "FrmAbout", "SVersion", true, "Orvane logs your activities Version %s"},
    {EAboutText::SAboutText, "FrmAbout", "SAboutText", true,
     "\r\n\r\nCopyright (c) 2026 Orvane developers\r\nhttp://www.orvane.org\r\n"
     "All rights reserved.\r\n\r\ne-mail: info@orvane.org\r\n"},
};
static_assert(InKeyOrder(AboutTextTable));
using TAboutTexts = TTexts<EAboutText, std::size(AboutTextTable), AboutTextTable>;

// The pieces of text that are links: [start, end) positions.
using TTextRanges = std::vector<std::pair<int, int>>;
TTextRanges FindLinks(const QString& text);
// The run of characters above code 32 around position p (or the one after it).
QString WordAt(const QString& text, int p);
bool IsMailAddress(const QString& word);
// The web or e-mail address at position p, if any.
void LinkAt(const QString& text, int p, QString& url, QString& mail);

class TFrmAbout : public QDialog {
    Q_OBJECT
public:
    TFrmAbout(TQalBase& base, const QString& exePath, QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* bnClose = nullptr;
    QObject* LangComponent1 = nullptr;

    // The caption, the product line's format (a text without %s shows no version) and the text
    // under it.
    TAboutTexts FTexts;

    QString FPendingUrl;
    QString FPendingMail;

    static QString ProductVersion();
    QString ProductLine() const;
    void PrepareAbout();
    void HighlightLinks();
    int exec() override;

    void RichEdit1SelectionChange();
    void RichEdit1MouseUp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TQalBase& FBase;
};

} // namespace orvane
