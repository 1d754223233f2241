// GNOME Shell shows ordinary programs nothing of its windows: the main window offers, once, to set
// up the program's Shell extension (what `orvane-report setup` does), and keeps the Options item
// that offers it again. Declined, the offer is not made at start-up any more.
#pragma once

#include "views/messagetexts.h"

#include <QObject>

#include <string>

class QAction;
class QMenu;
class QMessageBox;
class QWidget;

namespace orvane {

class TQalBase;

// The offer's texts, in the section of the window that makes it.
enum class EGnomeText {
    SGnomeOfferCaption,
    SGnomeOfferText,
    SGnomeSetupDone,
    SGnomeSetupFailed, // one %s: what was done and what failed
};

inline constexpr TTextEntry<EGnomeText> GnomeTextTable[] = {
    {EGnomeText::SGnomeOfferCaption, "fmActivity", "SGnomeOfferCaption", false,
     "GNOME Shell extension"},
    {EGnomeText::SGnomeOfferText, "fmActivity", "SGnomeOfferText", false,
     "In GNOME Shell, Orvane needs its small Shell extension to see which window has the "
     "focus; without it nothing is recorded.\r\n\r\nInstall and enable it for you now? GNOME "
     "Shell loads it after you log out and log in once."},
    {EGnomeText::SGnomeSetupDone, "fmActivity", "SGnomeSetupDone", false,
     "The extension is installed and enabled. Log out and log in once, so that GNOME Shell "
     "loads it."},
    {EGnomeText::SGnomeSetupFailed, "fmActivity", "SGnomeSetupFailed", false,
     "The extension could not be set up:\r\n%s"},
};
static_assert(InKeyOrder(GnomeTextTable));
using TGnomeTexts = TTexts<EGnomeText, std::size(GnomeTextTable), GnomeTextTable>;

class TGnomeExtensionOffer : public QObject {
    Q_OBJECT
public:
    // The item goes into options (it exists everywhere, so that the language build sees it, and
    // shows only in a GNOME Wayland session); texts are read from the window's section when
    // needed, after language changes.
    TGnomeExtensionOffer(QWidget* window, QMenu* options, std::string configFile,
                         const TQalBase& base);

    // A Wayland session of GNOME Shell, the Shell on the session bus.
    static bool InGnomeWaylandSession();
    // At start-up: the offer, unless the extension is set up, the session is another, or the
    // user declined it before.
    void OfferAtStart();
    // The dialog, without waiting: the recorder samples on while it is open.
    void Offer();
    QAction* Item() const { return FItem; }
    // The texts as the current language has them.
    const TGnomeTexts& LoadTexts();
    QMessageBox* Box() const { return FBox; }

private:
    void Answered(bool accepted);
    void RememberDeclined(bool declined);

    QWidget* FWindow;
    QAction* FItem;
    QMessageBox* FBox = nullptr;
    std::string FConfigFile;
    const TQalBase& FBase;
    TGnomeTexts FTexts;
};

} // namespace orvane
