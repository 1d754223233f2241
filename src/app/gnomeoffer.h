// GNOME Shell shows ordinary programs nothing of its windows: the main window offers, once, to set
// up the program's Shell extension (what `orvane-report setup` does), and keeps the Options item
// that offers it again. Declined, the offer is not made at start-up any more.
#pragma once

#include "views/messagetexts.h"

#include <QObject>

#include <functional>
#include <string>

class QAction;
class QMenu;
class QMessageBox;
class QWidget;

namespace orvane {

class TGnomeExtensionOffer : public QObject {
    Q_OBJECT
public:
    // The item goes into options (it exists everywhere, so that the language build sees it, and
    // shows only in a GNOME Wayland session); texts are read when needed, after language changes.
    TGnomeExtensionOffer(QWidget* window, QMenu* options, std::string configFile,
                         std::function<const TMessageTexts&()> texts);

    // A Wayland session of GNOME Shell, the Shell on the session bus.
    static bool InGnomeWaylandSession();
    // At start-up: the offer, unless the extension is set up, the session is another, or the
    // user declined it before.
    void OfferAtStart();
    // The dialog, without waiting: the recorder samples on while it is open.
    void Offer();
    QAction* Item() const { return FItem; }
    QMessageBox* Box() const { return FBox; }

private:
    void Answered(bool accepted);
    void RememberDeclined(bool declined);

    QWidget* FWindow;
    QAction* FItem;
    QMessageBox* FBox = nullptr;
    std::string FConfigFile;
    std::function<const TMessageTexts&()> FTexts;
};

} // namespace orvane
