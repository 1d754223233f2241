#include "app/langbuild.h"

#include "app/aboutform.h"
#include "app/activitylistform.h"
#include "app/gnomeoffer.h"
#include "app/mainwindow.h"
#include "app/qalbase.h"
#include "language/languagemenu.h"
#include "platform/probebackend.h"

namespace orvane {

bool BuildLanguageFiles(const QString& outFile, QString* error) {
    TQalBase base;
    platform::TScriptedProbe probe;
    TActivityDeps deps;
    deps.Probe = &probe;
    deps.UseTray = false;
    deps.StartTimer = false;
    deps.FindPresence = false; // records nothing
    TfmActivity main(base, deps);
    TFrmAbout& about = *main.AboutForm();
    TActivityListForm list(&main, base.LanMan);
    // The message texts are recorded by the windows' own lookups.
    return BuildOriginalFiles(
        *base.LanMan, {&main, &about, &list},
        [&] {
            main.LoadMessageTexts();
            main.findChild<TGnomeExtensionOffer*>()->LoadTexts();
            about.PrepareAbout();
        },
        outFile, error);
}

} // namespace orvane
