#include "app/activitylistform.h"
#include "app/application.h"
#include "app/mainwindow.h"
#include "app/qalbase.h"

#include <csignal>

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A file-size limit must fail the write, which we report, not kill the recorder.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    orvane::TApplication app(argc, argv);
    orvane::TQalBase qalBase;
    orvane::TfmActivity fmActivity(qalBase);
    orvane::TActivityListForm activityListForm(&fmActivity);
    fmActivity.SetListForm(&activityListForm);
    fmActivity.ShowAtStart();
    return app.exec();
}
