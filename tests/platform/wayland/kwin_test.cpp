// The KWin script under a JavaScript engine with a fake KWin around it, once with the names of
// KWin 5.27 and once with those of KWin 6, and the backend's reading of what the script sends.
#include "platform/wayland/kwin.h"

#include <QFile>
#include <QJSEngine>
#include <QJSValue>
#include <QStringList>

#include <gtest/gtest.h>

using namespace orvane::platform::wayland;

namespace {

// What the script may touch of KWin: signals with connect/disconnect, windows with pid, caption,
// resourceClass and captionChanged, a workspace under the names of one KWin version. Each
// callDBus is kept in `calls`.
const char* const FakeKWin = R"JS(
function Signal() {
    var handlers = [];
    return {
        connect: function (f) { handlers.push(f); },
        disconnect: function (f) {
            var i = handlers.indexOf(f);
            if (i < 0) throw new Error("not connected");
            handlers.splice(i, 1);
        },
        emit: function (a) { handlers.slice().forEach(function (f) { f(a); }); },
        count: function () { return handlers.length; }
    };
}
function Window(pid, caption, resourceClass) {
    return { pid: pid, caption: caption, resourceClass: resourceClass,
             captionChanged: Signal() };
}
var calls = [];
function callDBus() { calls.push(Array.prototype.slice.call(arguments)); }
var kwin6 = KWIN_SIX;
var a = Window(101, "Alpha é", "alpha");
var b = Window(202, 'Beta ü 漢字 "q" \\ end', "beta");
var workspace = {};
if (kwin6) {
    workspace.windowActivated = Signal();
    workspace.activeWindow = a;
    workspace.windowList = function () { return [a, b]; };
} else {
    workspace.clientActivated = Signal();
    workspace.activeClient = a;
    workspace.clientList = function () { return [a, b]; };
}
function activate(w) {
    if (kwin6) { workspace.activeWindow = w; workspace.windowActivated.emit(w); }
    else { workspace.activeClient = w; workspace.clientActivated.emit(w); }
}
function rename(w, caption) { w.caption = caption; w.captionChanged.emit(); }
)JS";

QString ShippedScript() {
    QFile f(QStringLiteral(ORVANE_KWIN_SCRIPT));
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("missing " ORVANE_KWIN_SCRIPT);
    return QString::fromUtf8(f.readAll());
}

// The reports sent so far, each read as the backend reads it ("-" for no window).
std::vector<std::string> Reports(QJSEngine& engine, const QString& service) {
    std::vector<std::string> out;
    const QJSValue calls = engine.globalObject().property(QStringLiteral("calls"));
    const int n = calls.property(QStringLiteral("length")).toInt();
    for (int i = 0; i < n; ++i) {
        const QJSValue call = calls.property(static_cast<quint32>(i));
        EXPECT_EQ(call.property(QStringLiteral("length")).toInt(), 5);
        EXPECT_EQ(call.property(0).toString(), service);
        EXPECT_EQ(call.property(1).toString(), QStringLiteral("/org/orvane/KWinFocus"));
        EXPECT_EQ(call.property(2).toString(), QStringLiteral("org.orvane.KWinFocus"));
        EXPECT_EQ(call.property(3).toString(), QStringLiteral("Report"));
        EXPECT_TRUE(call.property(4).isString()) << "one JSON string, never a number";
        const QByteArray json = call.property(4).toString().toUtf8();
        std::optional<TFocusedWindow> w;
        std::string error;
        EXPECT_TRUE(ReadKWinReport(json.toStdString(), w, error)) << error;
        out.push_back(w ? std::to_string(w->Pid) + " " + w->AppId + " " + w->Title : "-");
    }
    return out;
}

void Evaluate(QJSEngine& engine, const QString& code) {
    const QJSValue result = engine.evaluate(code);
    ASSERT_FALSE(result.isError()) << result.toString().toStdString() << " at line "
                                   << result.property(QStringLiteral("lineNumber")).toInt();
}

class KWinScript : public ::testing::TestWithParam<bool> {};

} // namespace

TEST_P(KWinScript, ReportsEachActivationAndCaptionChangeOfTheActiveWindow) {
    const bool six = GetParam();
    const QString service = QStringLiteral("org.orvane.orvane.KWinFocus.p42");
    QJSEngine engine;
    Evaluate(engine, QString::fromUtf8(FakeKWin).replace(QStringLiteral("KWIN_SIX"),
                                                         six ? QStringLiteral("true")
                                                             : QStringLiteral("false")));
    Evaluate(engine, KWinScriptFor(ShippedScript(), service));

    const std::string alpha = "101 alpha Alpha é", beta = "202 beta Beta ü 漢字 \"q\" \\ end";
    // At start the active window, at once.
    EXPECT_EQ(Reports(engine, service), (std::vector<std::string>{alpha}));

    // A switch: KWin first activates no window, then the new one.
    Evaluate(engine, QStringLiteral("activate(null); activate(b);"));
    EXPECT_EQ(Reports(engine, service), (std::vector<std::string>{alpha, "-", beta}));

    // Only the active window's caption is followed; KWin's " <2>" mark is not the title's.
    Evaluate(engine, QStringLiteral("rename(a, 'Alpha 2'); rename(b, 'Beta 2 <2>\\u200e');"));
    EXPECT_EQ(Reports(engine, service).back(), "202 beta Beta 2");
    EXPECT_EQ(Reports(engine, service).size(), 4u);
    Evaluate(engine, QStringLiteral("rename(b, 'Title <3>');"));
    EXPECT_EQ(Reports(engine, service).back(), "202 beta Title <3>") << "a title's own <3> stays";
    EXPECT_EQ(engine
                  .evaluate(QStringLiteral("a.captionChanged.count() + ',' + "
                                           "b.captionChanged.count()"))
                  .toString(),
              QStringLiteral("0,1"));

    // A window without a pid or class (KWin's own) and the caption of a window gone: still read.
    Evaluate(engine, QStringLiteral("activate(Window(undefined, null, undefined));"));
    EXPECT_EQ(Reports(engine, service).back(), "0  ");
}

INSTANTIATE_TEST_SUITE_P(KWin5And6, KWinScript, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("KWin6") : std::string("KWin5");
                         });

TEST(KWinScript, NeedsTheNamesOfOneVersion) {
    // A workspace with neither set of names: the script fails loudly instead of reporting nothing.
    QJSEngine engine;
    engine.evaluate(QStringLiteral("var workspace = {}; function callDBus() {}"));
    const QJSValue result =
        engine.evaluate(KWinScriptFor(ShippedScript(), QStringLiteral("org.orvane.x")));
    EXPECT_TRUE(result.isError());
}

TEST(KWinReport, ReadAsTheSampleNeedsIt) {
    struct TCase {
        std::string Json;
        bool Read;
        std::optional<TFocusedWindow> Window;
    };
    const std::vector<TCase> cases = {
        {"null", true, std::nullopt},
        {" null\n", true, std::nullopt},
        {R"({"pid":7,"caption":"T ü","resourceClass":"org.kde.dolphin"})", true,
         TFocusedWindow{7, "org.kde.dolphin", "T ü"}},
        // Missing or broken fields are blank, a NUL ends a title as it does on X11.
        {R"({"caption":"only"})", true, TFocusedWindow{0, "", "only"}},
        {R"({"pid":-1,"caption":"a\u0000b","resourceClass":5})", true, TFocusedWindow{0, "", "a"}},
        {R"({"pid":1.5})", true, TFocusedWindow{0, "", ""}},
        {"", false, std::nullopt},
        {"[1]", false, std::nullopt},
        {"{\"pid\":", false, std::nullopt},
        {"\"text\"", false, std::nullopt},
        {"{\"caption\":\"" + std::string(2 << 20, 'x') + "\"}", false, std::nullopt},
    };
    for (const TCase& c : cases) {
        std::optional<TFocusedWindow> w = TFocusedWindow{9, "stale", "stale"};
        std::string error;
        EXPECT_EQ(ReadKWinReport(c.Json, w, error), c.Read) << c.Json.substr(0, 40);
        if (c.Read) {
            EXPECT_EQ(w, c.Window) << c.Json;
        } else {
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(w, (TFocusedWindow{9, "stale", "stale"})) << "a bad report changes nothing";
        }
    }
}
