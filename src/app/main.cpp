#include "app/activitylistform.h"
#include "app/application.h"
#include "app/mainwindow.h"
#include "app/qalbase.h"
#include "app/singleinstance.h"
#include "platform/running.h"

#include <csignal>

#ifdef SIGPIPE
namespace {
void IgnoreSignal(int) {}
} // namespace
#endif

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write, which we report, not kill the recorder.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef SIGPIPE
    // A write to a socket whose other end is gone (the X server, a copy that asked us to show
    // ourselves) must fail, not end the recorder before it has saved. Caught rather than
    // ignored: programs we start get the default back, an ignored signal would stay ignored.
    std::signal(SIGPIPE, IgnoreSignal);
#endif
    // First of all: the installer must not replace our files while we run.
    orvane::platform::MarkRunning();
    orvane::TApplication app(argc, argv);
    // Before the record is read: a second copy on the same record ends here.
    orvane::TSingleInstance instance(orvane::DataFilePath(QCoreApplication::applicationFilePath()));
    int status = 0;
    if (!orvane::ClaimRecord(instance, status)) return status;
    orvane::TQalBase qalBase;
    orvane::TfmActivity fmActivity(qalBase);
    QObject::connect(&instance, &orvane::TSingleInstance::showRequested, &fmActivity,
                     &orvane::TfmActivity::BringToFront);
    orvane::TActivityListForm activityListForm(&fmActivity, qalBase.LanMan);
    fmActivity.SetListForm(&activityListForm);
    fmActivity.ShowAtStart();
    return app.exec();
}
