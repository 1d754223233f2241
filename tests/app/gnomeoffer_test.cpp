// What the main window says when the probe cannot see windows, and the GNOME Shell extension
// offer's answers. The private home of app_test.cpp applies here too.
#include "app/gnomeoffer.h"
#include "app/mainwindow.h"
#include "app/qalbase.h"
#include "platform/probebackend.h"
#include "recorder/clock.h"
#include "session/inifile.h"
#include "session/settings.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>

using namespace orvane;

namespace {

class ProbeProblem : public ::testing::Test {
protected:
    TfmActivity& Start() {
        base = std::make_unique<TQalBase>();
        TActivityDeps deps;
        deps.Probe = &probe;
        deps.Clock = &clock;
        deps.UseTray = false;
        deps.StartTimer = false;
        deps.ExePath = "/opt/orvane/bin/orvane-gnome-test";
        // No idle source of the machine running the tests: under Wine it may say away.
        deps.FindPresence = false;
        window = std::make_unique<TfmActivity>(*base, deps);
        return *window;
    }
    void Tick(const std::string& p, const std::string& c) {
        clock.Advance(5000);
        probe.SetForeground(p, c);
        window->Timer1Timer();
    }
    int Told(const QString& line) const { return int(window->Memo1->toPlainText().count(line)); }

    platform::TScriptedProbe probe;
    TManualClock clock;
    std::unique_ptr<TQalBase> base;
    std::unique_ptr<TfmActivity> window;
};

TEST_F(ProbeProblem, ToldOnceWhileSamplesStayBlankAndAgainAfterWindowsWereSeen) {
    Start();
    const QString line = "No window can be seen: the extension is not active";
    probe.SetProblem("the extension is not active");
    Tick("", "");
    Tick("", "");
    Tick("", "");
    EXPECT_EQ(Told(line), 1);
    Tick("/usr/bin/a", "A");
    Tick("", "");
    EXPECT_EQ(Told(line), 2);
    probe.SetProblem("GNOME Shell is not running on the session bus");
    Tick("", "");
    EXPECT_EQ(Told("No window can be seen: GNOME Shell is not running on the session bus"), 1);
    // Nothing to tell: a blank sample alone (nothing focused) says nothing.
    probe.SetProblem("");
    Tick("/usr/bin/a", "A");
    Tick("", "");
    EXPECT_EQ(Told("No window can be seen"), 3);
}

TEST_F(ProbeProblem, TheOfferIsNonModalAndADeclineIsRemembered) {
    TfmActivity& w = Start();
    auto* offer = w.findChild<TGnomeExtensionOffer*>();
    ASSERT_NE(offer, nullptr);
    // The item exists for the language build, shown only in a GNOME Wayland session.
    EXPECT_EQ(offer->Item()->objectName(), "mnGnomeExtension");
    EXPECT_FALSE(offer->Item()->isVisible());

    offer->Offer();
    QMessageBox* box = offer->Box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_TRUE(box->text().contains("log out and log in once"));
    // Sampling goes on while the box is open.
    Tick("/usr/bin/a", "A");
    EXPECT_EQ(w.Sampler().LastProcess(), "/usr/bin/a");
    // Asked again while open: the same box.
    offer->Offer();
    EXPECT_EQ(offer->Box(), box);

    box->button(QMessageBox::No)->click();
    QTest::qWait(0);
    EXPECT_EQ(offer->Box(), nullptr);
    TIniFile ini(w.Session().ConfigFile());
    EXPECT_TRUE(ReadFlag(ini, settings::GnomeOfferDeclined));
}

} // namespace
