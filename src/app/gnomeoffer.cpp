#include "app/gnomeoffer.h"

#include "app/dialogs.h"
#include "app/inifile.h"
#include "recorder/textformat.h"
#include "views/recordedtext.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#ifndef _WIN32
#include "platform/probefactory.h"
#include "platform/wayland/gnomesetup.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#endif

namespace orvane {

namespace {

QString Text(const TMessageTexts& texts, EMessageText key) {
    return FromUtf8Text(texts[key]).replace("\r\n", "\n");
}

} // namespace

TGnomeExtensionOffer::TGnomeExtensionOffer(QWidget* window, QMenu* options, std::string configFile,
                                           std::function<const TMessageTexts&()> texts)
    : QObject(window), FWindow(window), FConfigFile(std::move(configFile)),
      FTexts(std::move(texts)) {
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
#ifdef _WIN32
    return false;
#else
    if (!platform::IsWaylandSession() ||
        !qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(':').contains("GNOME"))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered("org.gnome.Shell");
#endif
}

void TGnomeExtensionOffer::OfferAtStart() {
#ifndef _WIN32
    if (!FItem->isVisible() || platform::gnome::ExtensionSetUp()) return;
    TIniFile ini(FConfigFile);
    if (ini.ReadInteger(Section, DeclinedKey, 0) != 0) return;
    Offer();
#endif
}

void TGnomeExtensionOffer::Offer() {
    if (FBox) {
        FBox->raise();
        return;
    }
    const TMessageTexts& texts = FTexts();
    FBox = new QMessageBox(QMessageBox::Question, Text(texts, EMessageText::SGnomeOfferCaption),
                           Text(texts, EMessageText::SGnomeOfferText),
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
#ifndef _WIN32
    const platform::gnome::TSetupResult r = platform::gnome::SetUpExtension(
        platform::gnome::ShippedExtensionFolder(QCoreApplication::applicationDirPath()));
    const TMessageTexts& texts = FTexts();
    if (r.Ok) {
        Dialogs().Inform(FWindow, Text(texts, EMessageText::SGnomeOfferCaption),
                         Text(texts, EMessageText::SGnomeSetupDone));
        return;
    }
    std::string details;
    for (const std::string& line : r.Lines)
        details += line + "\n";
    Dialogs().ShowError(FWindow,
                        FromUtf8Text(SafeFormat(texts[EMessageText::SGnomeSetupFailed], {details}))
                            .replace("\r\n", "\n"),
                        nullptr);
#endif
}

void TGnomeExtensionOffer::RememberDeclined(bool declined) {
    try {
        TIniFile ini(FConfigFile);
        ini.WriteInteger(Section, DeclinedKey, declined ? 1 : 0);
    } catch (const std::exception& e) {
        // Not remembered: the offer comes again at the next start, which loses nothing.
        Dialogs().ShowError(FWindow, FromUtf8Text(e.what()), nullptr);
    }
}

} // namespace orvane
