#include "app/gnomeoffer.h"

#include "app/dialogs.h"
#include "app/qalbase.h"
#include "platform/gnomeextension.h"
#include "recorder/textformat.h"
#include "session/inifile.h"
#include "session/settings.h"
#include "views/recordedtext.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace orvane {

namespace {

QString Text(const TGnomeTexts& texts, EGnomeText key) {
    return FromUtf8Text(texts[key]).replace("\r\n", "\n");
}

} // namespace

TGnomeExtensionOffer::TGnomeExtensionOffer(QWidget* window, QMenu* options, std::string configFile,
                                           const TQalBase& base)
    : QObject(window), FWindow(window), FConfigFile(std::move(configFile)), FBase(base) {
    // Owned by the window, so that the language walk finds it by its name.
    FItem = new QAction("GNOME Shell extension...", window);
    FItem->setObjectName("mnGnomeExtension");
    FItem->setStatusTip("Set up the extension that lets Orvane see the windows in GNOME Shell");
    FItem->setToolTip(FItem->statusTip());
    FItem->setVisible(InGnomeWaylandSession());
    options->addAction(FItem);
    connect(FItem, &QAction::triggered, this, &TGnomeExtensionOffer::Offer);
}

bool TGnomeExtensionOffer::InGnomeWaylandSession() {
    return platform::InGnomeWaylandSession();
}

void TGnomeExtensionOffer::OfferAtStart() {
    if (!FItem->isVisible() || platform::GnomeExtensionSetUp()) return;
    TIniFile ini(FConfigFile);
    if (ReadFlag(ini, settings::GnomeOfferDeclined)) return;
    Offer();
}

const TGnomeTexts& TGnomeExtensionOffer::LoadTexts() {
    FBase.ReadTexts(ToUtf8Text(FWindow->objectName()), FTexts);
    return FTexts;
}

void TGnomeExtensionOffer::Offer() {
    if (FBox) {
        FBox->raise();
        return;
    }
    const TGnomeTexts& texts = LoadTexts();
    FBox = new QMessageBox(QMessageBox::Question, Text(texts, EGnomeText::SGnomeOfferCaption),
                           Text(texts, EGnomeText::SGnomeOfferText),
                           QMessageBox::Yes | QMessageBox::No, FWindow);
    FBox->setObjectName("GnomeExtensionOffer");
    FBox->setAttribute(Qt::WA_DeleteOnClose);
    FBox->setWindowModality(Qt::NonModal);
    connect(FBox, &QMessageBox::finished, this, [this](int result) {
        FBox = nullptr;
        Answered(result == QMessageBox::Yes);
    });
    FBox->show();
}

void TGnomeExtensionOffer::Answered(bool accepted) {
    // A "no" stands until the user asks for the offer again; a "yes" clears it.
    RememberDeclined(!accepted);
    if (!accepted) return;
    const platform::TExtensionSetup r = platform::SetUpGnomeExtension();
    const TGnomeTexts& texts = LoadTexts();
    if (r.Ok) {
        Dialogs().Inform(FWindow, Text(texts, EGnomeText::SGnomeOfferCaption),
                         Text(texts, EGnomeText::SGnomeSetupDone));
        return;
    }
    std::string details;
    for (const std::string& line : r.Lines)
        details += line + "\n";
    Dialogs().ShowError(FWindow,
                        FromUtf8Text(SafeFormat(texts[EGnomeText::SGnomeSetupFailed], {details}))
                            .replace("\r\n", "\n"),
                        nullptr);
}

void TGnomeExtensionOffer::RememberDeclined(bool declined) {
    try {
        TIniFile ini(FConfigFile);
        WriteFlag(ini, settings::GnomeOfferDeclined, declined);
    } catch (const std::exception& e) {
        // Not remembered: the offer comes again at the next start, which loses nothing.
        Dialogs().ShowError(FWindow, FromUtf8Text(e.what()), nullptr);
    }
}

} // namespace orvane
