#include "app/aboutform.h"

#include "app/dialogs.h"
#include "app/qalbase.h"
#include "language/langcomponent.h"
#include "language/langmanager.h"
#include "recorder/debugtrace.h"
#include "recorder/textformat.h"
#include "views/recordedtext.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrlQuery>

namespace orvane {

namespace {

bool Blank(QChar c) {
    return c.unicode() <= 32;
}

QString Crlf(QString s) {
    s.replace("\r\n", "\n");
    return s;
}

} // namespace

QString WordAt(const QString& text, int p) {
    const int n = static_cast<int>(text.size());
    if (p < 0 || p >= n) return {};
    int b = p;
    if (Blank(text[p])) {
        b = p + 1;
        if (b >= n || Blank(text[b])) return {};
    } else {
        while (b > 0 && !Blank(text[b - 1]))
            --b;
    }
    int e = b;
    while (e < n && !Blank(text[e]))
        ++e;
    return text.mid(b, e - b);
}

bool IsMailAddress(const QString& word) {
    const qsizetype at = word.indexOf('@');
    return !word.isEmpty() && at >= 0 && word.indexOf('.', at + 1) >= 0;
}

TTextRanges FindLinks(const QString& original) {
    TTextRanges links;
    const QString text = original.toLower();
    const int n = static_cast<int>(text.size());
    int p = 0;
    for (;;) {
        qsizetype found = -1;
        for (const char* prefix : {"http:/", "https:/", "www."}) {
            found = text.indexOf(QLatin1String(prefix), p);
            if (found >= 0) break;
        }
        if (found < 0) break;
        int e = static_cast<int>(found);
        while (e < n && !Blank(text[e]))
            ++e;
        links.emplace_back(static_cast<int>(found), e);
        p = e;
    }
    qsizetype at = text.indexOf('@');
    while (at >= 0) {
        const QString word = WordAt(text, static_cast<int>(at));
        int next = static_cast<int>(at) + 1;
        if (IsMailAddress(word)) {
            int b = static_cast<int>(at);
            while (b > 0 && !Blank(text[b - 1]))
                --b;
            links.emplace_back(b, b + static_cast<int>(word.size()));
            next = b + static_cast<int>(word.size());
        }
        at = text.indexOf('@', next);
    }
    return links;
}

void LinkAt(const QString& text, int p, QString& url, QString& mail) {
    url.clear();
    mail.clear();
    const QString w = WordAt(text, p);
    if (IsMailAddress(w)) {
        mail = w;
        return;
    }
    const QString lower = w.toLower();
    if (lower.startsWith("http:/") || lower.startsWith("https:/") || lower.startsWith("www."))
        url = w;
}

TFrmAbout::TFrmAbout(TQalBase& base, const QString& /*exePath*/, QWidget* parent)
    : QDialog(parent), FBase(base) {
    setObjectName("FrmAbout");
    setProperty("orvaneForm", true);
    setFixedSize(355, 367);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                   Qt::WindowCloseButtonHint);
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    setFont(font);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(8, 8, 32, 32);
    Image1->setPixmap(QIcon(":/orvane/orvane.png").pixmap(32, 32));

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setGeometry(56, 8, 281, 257);
    RichEdit1->setFrameShape(QFrame::NoFrame);
    RichEdit1->setReadOnly(true);
    RichEdit1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    RichEdit1->viewport()->setAutoFillBackground(false);
    RichEdit1->setStyleSheet("QTextEdit { background: transparent; }");
    QFont arial("Arial");
    arial.setPixelSize(12);
    RichEdit1->setFont(arial);
    RichEdit1->viewport()->installEventFilter(this);
    connect(RichEdit1, &QTextEdit::cursorPositionChanged, this,
            &TFrmAbout::RichEdit1SelectionChange);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setGeometry(8, 280, 337, 9);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Raised);

    bnClose = new QPushButton("OK", this);
    bnClose->setObjectName("bnClose");
    bnClose->setGeometry(264, 296, 75, 25);
    connect(bnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* lang = new TLangComponent(this);
    lang->setObjectName("LangComponent1");
    lang->SetUseCommonLanguageFile(true);
    lang->SetLanManager(FBase.LanMan);
    LangComponent1 = lang;
}

QString TFrmAbout::ProductVersion() {
    return QStringLiteral(ORVANE_VERSION);
}

QString TFrmAbout::ProductLine() const {
    return FromUtf8Text(SafeFormat(FTexts[EAboutText::SVersion], {ToUtf8Text(ProductVersion())}));
}

void TFrmAbout::PrepareAbout() {
    FBase.ReadTexts(ToUtf8Text(objectName()), FTexts);
    setWindowTitle(FromUtf8Text(FTexts[EAboutText::SCaptionAbout]));
    RichEdit1->setPlainText(Crlf(ProductLine() + FromUtf8Text(FTexts[EAboutText::SAboutText])));
    HighlightLinks();
}

void TFrmAbout::HighlightLinks() {
    const QString text = RichEdit1->toPlainText();
    const QTextCursor remembered = RichEdit1->textCursor();
    QTextCharFormat link;
    link.setForeground(QColor(0, 0, 255));
    link.setFontUnderline(true);
    for (const auto& [b, e] : FindLinks(text)) {
        QTextCursor c(RichEdit1->document());
        c.setPosition(b);
        c.setPosition(e, QTextCursor::KeepAnchor);
        c.mergeCharFormat(link);
    }
    RichEdit1->setTextCursor(remembered);
}

int TFrmAbout::exec() {
    PrepareAbout();
    return QDialog::exec();
}

void TFrmAbout::RichEdit1SelectionChange() {
    const QTextCursor c = RichEdit1->textCursor();
    const int p = c.hasSelection() ? c.selectionStart() : c.position();
    LinkAt(RichEdit1->toPlainText(), p, FPendingUrl, FPendingMail);
    DebugTrace(nullptr, "%s, %s", {ToUtf8Text(FPendingUrl), ToUtf8Text(FPendingMail)});
}

void TFrmAbout::RichEdit1MouseUp() {
    if (!FPendingUrl.isEmpty()) {
        QString address = FPendingUrl;
        if (address.startsWith("www.", Qt::CaseInsensitive)) address = "http://" + address;
        Dialogs().OpenWithDesktop(QUrl(address));
    }
    if (!FPendingMail.isEmpty()) {
        QUrl mail("mailto:" + FPendingMail);
        QUrlQuery query;
        query.addQueryItem("subject", ProductLine());
        mail.setQuery(query);
        Dialogs().OpenWithDesktop(mail);
    }
}

bool TFrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RichEdit1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // Let the text field move its cursor first, then act on the word under it.
        const bool handled = QDialog::eventFilter(watched, event);
        RichEdit1MouseUp();
        return handled;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orvane
