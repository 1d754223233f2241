// The compositor IPC backends against recorded replies: sway's from a real sway 1.7, Hyprland's
// and niri's as their documentation shows them, served from a fake socket.
#include "envguard.h"
#include "fakeserver.h"
#include "files.h"
#include "platform/wayland/hyprland.h"
#include "platform/wayland/niri.h"
#include "platform/wayland/sway.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>

using namespace orvane::platform::wayland;
namespace fs = std::filesystem;
using std::chrono::steady_clock;

namespace {

std::string Fixture(const std::string& name) {
    std::string bytes = ReadFile(std::string(ORVANE_TEST_DATA) + "/wayland/" + name);
    if (bytes.empty()) throw std::runtime_error("missing fixture " + name);
    return bytes;
}

const TFocusedWindow Beta{13430, "foot", "Beta ü \"q\" \\ 漢字"};

// sway's framing: "i3-ipc", payload length and message type in host order, then the payload.
std::string SwayMessage(std::uint32_t type, const std::string& payload) {
    std::string m = "i3-ipc";
    const auto length = static_cast<std::uint32_t>(payload.size());
    m.append(reinterpret_cast<const char*>(&length), 4);
    m.append(reinterpret_cast<const char*>(&type), 4);
    return m + payload;
}

bool WaitReadable(int fd, const std::atomic<bool>& stopping) {
    while (!stopping) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) > 0) return true;
    }
    return false;
}

// Answers every GET_TREE on a connection with the tree the test set last.
TFakeServer::THandler SwayServer(TReply& tree, std::string* lastRequest = nullptr) {
    return [&tree, lastRequest](int fd, const std::atomic<bool>& stopping) {
        std::string header, payload;
        while (WaitReadable(fd, stopping) && ReadBytes(fd, header, 14)) {
            std::uint32_t length, type;
            std::memcpy(&length, header.data() + 6, 4);
            std::memcpy(&type, header.data() + 10, 4);
            if (!ReadBytes(fd, payload, length)) return;
            if (lastRequest) *lastRequest = header + payload;
            if (!WriteAll(fd, SwayMessage(type, tree.Get()))) return;
        }
    };
}

class TRuntimeFolder {
public:
    TRuntimeFolder() {
        env.Set("XDG_RUNTIME_DIR", folder.Path());
        for (const char* name : {"SWAYSOCK", "HYPRLAND_INSTANCE_SIGNATURE", "NIRI_SOCKET"})
            env.Set(name, nullptr);
    }
    std::string Path(const std::string& name) const { return folder.Path() + "/" + name; }

    TTempFolder folder;
    TEnvGuard env;
};

} // namespace

TEST(CompositorReplies, FocusedWindowOfEachRecordedReply) {
    const std::string xwaylandTree = R"({"id":1,"type":"root","focused":false,"nodes":[
        {"id":3,"type":"output","nodes":[{"id":4,"type":"workspace","nodes":[
          {"id":7,"type":"con","focused":true,"name":"Old X program","app_id":null,"pid":77,
           "shell":"xwayland","window":4194307,"window_properties":{"class":"XTerm"}}]}]}]})";
    const std::string floatingTree = R"({"id":1,"type":"root","nodes":[{"id":3,"type":"output",
        "nodes":[{"id":4,"type":"workspace","nodes":[],"floating_nodes":[
          {"id":9,"type":"floating_con","focused":true,"name":"Picker","app_id":"picker",
           "pid":99}]}]}]})";
    // A title that looks like the member sway marks the focus with.
    const std::string trickyTree = R"({"id":1,"type":"root","focused":false,"nodes":[
        {"id":5,"type":"con","focused":false,"pid":5,"app_id":"a","name":"x\",\"focused\":true}",
         "rect":{"focused":false},"marks":["]}"]},
        {"id":6,"type":"con","focused" : true,"pid":6,"app_id":"b","name":"{[\\"}]})";
    struct Case {
        const char* What;
        std::optional<TFocusedWindow> (*Parse)(std::string_view, std::string&);
        std::string Reply;
        std::optional<TFocusedWindow> Expected;
    } cases[] = {
        {"sway: brackets and the focus mark inside strings", FocusedInSwayTree, trickyTree,
         TFocusedWindow{6, "b", "{[\\"}},
        {"sway: a window has the focus", FocusedInSwayTree, Fixture("sway-tree-window.json"), Beta},
        {"sway: the parent of two windows has the focus: the one focused last inside it",
         FocusedInSwayTree, Fixture("sway-tree-parent-focused.json"), Beta},
        {"sway: an empty workspace", FocusedInSwayTree, Fixture("sway-tree-empty-workspace.json"),
         std::nullopt},
        {"sway: an XWayland window is named by its X11 class", FocusedInSwayTree, xwaylandTree,
         TFocusedWindow{77, "XTerm", "Old X program"}},
        {"sway: a floating window", FocusedInSwayTree, floatingTree,
         TFocusedWindow{99, "picker", "Picker"}},
        {"Hyprland: the active window", FocusedInHyprlandReply,
         Fixture("hyprland-activewindow.json"), TFocusedWindow{4242, "foot", Beta.Title}},
        {"Hyprland: no window", FocusedInHyprlandReply, Fixture("hyprland-activewindow-none.json"),
         std::nullopt},
        {"niri: the focused window", FocusedInNiriReply, Fixture("niri-focusedwindow.json"),
         TFocusedWindow{4242, "foot", Beta.Title}},
        {"niri before 25.01: no pid", FocusedInNiriReply, Fixture("niri-focusedwindow-nopid.json"),
         TFocusedWindow{0, "org.gnome.Nautilus", "Files"}},
        {"niri: no window", FocusedInNiriReply, Fixture("niri-focusedwindow-none.json"),
         std::nullopt},
        {"niri: a NUL in a title ends it; a pid out of range is none", FocusedInNiriReply,
         R"({"Ok":{"FocusedWindow":{"title":"a\u0000b","app_id":"x","pid":-5}}})",
         TFocusedWindow{0, "x", "a"}},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(c.Parse(c.Reply, error), c.Expected) << c.What;
        EXPECT_EQ(error, "") << c.What;
    }
}

TEST(CompositorReplies, UnreadableRepliesAreBlankWithAReason) {
    struct Case {
        std::optional<TFocusedWindow> (*Parse)(std::string_view, std::string&);
        std::string Reply;
        const char* ErrorStart;
    } cases[] = {
        {FocusedInSwayTree, "", "sway sent a tree that is no JSON object"},
        {FocusedInSwayTree, "[1,2]", "sway sent a tree that is no JSON object"},
        {FocusedInSwayTree, R"({"nodes":[{"focused":true,"nodes":)", "sway sent a tree"},
        {FocusedInHyprlandReply, "Invalid", "Hyprland sent an answer that is no JSON object"},
        {FocusedInNiriReply, R"({"Err":"unknown request"})",
         "niri refused the request: unknown request"},
        {FocusedInNiriReply, R"({"Ok":{"Outputs":{}}})", "niri answered another request"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(c.Parse(c.Reply, error), std::nullopt) << c.Reply;
        EXPECT_TRUE(error.starts_with(c.ErrorStart)) << c.Reply << " -> " << error;
    }
}

// Deep nesting must not overflow the stack, whichever way the tree is read.
TEST(CompositorReplies, ADeeplyNestedSwayTreeIsReadCalmly) {
    const auto deepTree = [](bool focused) {
        std::string tree;
        for (int i = 0; i < 100000; ++i)
            tree += R"({"type":"con","nodes":[)";
        tree += R"({"type":"con","focused":)" + std::string(focused ? "true" : "false") +
                R"(,"pid":5,"app_id":"deep","name":"d"})";
        for (int i = 0; i < 100000; ++i)
            tree += "]}";
        return tree;
    };
    std::string error;
    EXPECT_EQ(FocusedInSwayTree(deepTree(true), error), (TFocusedWindow{5, "deep", "d"}));
    EXPECT_EQ(FocusedInSwayTree(deepTree(false), error), std::nullopt);
}

TEST(SwayIpc, EachSampleAsksForTheTreeOfThatMomentOverOneConnection) {
    TRuntimeFolder runtime;
    const std::string path = runtime.Path("sway-ipc.0.1.sock");
    runtime.env.Set("SWAYSOCK", path);
    TReply tree;
    std::string request;
    TFakeServer server(path, SwayServer(tree, &request));

    TSwayIpc sway;
    tree.Set(Fixture("sway-tree-window.json"));
    EXPECT_EQ(sway.Focused(), Beta);
    EXPECT_EQ(request, SwayMessage(4, "")); // GET_TREE, no payload
    tree.Set(Fixture("sway-tree-empty-workspace.json"));
    EXPECT_EQ(sway.Focused(), std::nullopt);
    EXPECT_EQ(sway.LastError(), "");
    tree.Set(Fixture("sway-tree-window.json"));
    EXPECT_EQ(sway.Focused(), Beta);
    EXPECT_EQ(server.Connections(), 1);
}

// sway started again in the session gets a socket of a new name; $SWAYSOCK still names the old.
TEST(SwayIpc, ARestartedSwayIsFoundUnderItsNewSocket) {
    TRuntimeFolder runtime;
    const std::string oldPath = runtime.Path("sway-ipc." + std::to_string(getuid()) + ".100.sock");
    const std::string newPath = runtime.Path("sway-ipc." + std::to_string(getuid()) + ".200.sock");
    runtime.env.Set("SWAYSOCK", oldPath);
    TReply tree;
    tree.Set(Fixture("sway-tree-window.json"));
    auto first = std::make_unique<TFakeServer>(oldPath, SwayServer(tree));
    TSwayIpc sway;
    EXPECT_EQ(sway.Focused(), Beta);

    first.reset();
    EXPECT_EQ(sway.Focused(), std::nullopt);
    EXPECT_NE(sway.LastError().find(oldPath), std::string::npos) << sway.LastError();

    TFakeServer second(newPath, SwayServer(tree));
    EXPECT_EQ(sway.Focused(), Beta);
    EXPECT_EQ(sway.Path(), newPath);
    EXPECT_EQ(sway.LastError(), "");
}

TEST(SwayIpc, GarbageAndSilenceAreBlankSamplesNotHangs) {
    TRuntimeFolder runtime;
    const std::string path = runtime.Path("sway-ipc.0.1.sock");
    runtime.env.Set("SWAYSOCK", path);
    struct Case {
        const char* What;
        TFakeServer::THandler Handler;
        const char* Error;
    } cases[] = {
        {"not sway's framing",
         [](int fd, const std::atomic<bool>&) {
             std::string request;
             ReadBytes(fd, request, 14);
             WriteAll(fd, "HTTP/1.1 400 Bad Request\r\n");
         },
         "sway answered with something other than its tree"},
        {"a reply cut short",
         [](int fd, const std::atomic<bool>&) {
             std::string header;
             ReadBytes(fd, header, 14);
             WriteAll(fd, SwayMessage(4, "{\"id\":1,\"nodes\":[]}").substr(0, 20));
         },
         "the connection was closed"},
        {"no answer at all",
         [](int, const std::atomic<bool>& stopping) { HangUntilStopped(stopping); },
         "no answer within 500 ms"},
    };
    for (const Case& c : cases) {
        TFakeServer server(path, c.Handler);
        TSwayIpc sway;
        const auto start = steady_clock::now();
        EXPECT_EQ(sway.Focused(), std::nullopt) << c.What;
        EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5)) << c.What;
        EXPECT_NE(sway.LastError().find(c.Error), std::string::npos)
            << c.What << ": " << sway.LastError();
    }
}

TEST(HyprlandIpc, AsksTheInstanceTheSessionNamesOnceAConnection) {
    TRuntimeFolder runtime;
    runtime.env.Set("HYPRLAND_INSTANCE_SIGNATURE", "abc_123_456");
    fs::create_directories(runtime.Path("hypr/abc_123_456"));
    TReply reply;
    std::string request;
    TFakeServer server(runtime.Path("hypr/abc_123_456/.socket.sock"),
                       [&](int fd, const std::atomic<bool>&) {
                           char buf[256];
                           const ssize_t n = read(fd, buf, sizeof buf);
                           request.assign(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
                           WriteAll(fd, reply.Get());
                       });
    THyprlandIpc hyprland;
    reply.Set(Fixture("hyprland-activewindow.json"));
    EXPECT_EQ(hyprland.Focused(), (TFocusedWindow{4242, "foot", Beta.Title}));
    EXPECT_EQ(request, "j/activewindow");
    reply.Set(Fixture("hyprland-activewindow-none.json"));
    EXPECT_EQ(hyprland.Focused(), std::nullopt);
    EXPECT_EQ(hyprland.LastError(), "");
    EXPECT_EQ(server.Connections(), 2);
}

// Before v0.40 the instance folders were under /tmp/hypr; after a restart the signature is new.
TEST(HyprlandIpc, FindsTheOldLayoutAndARestartedInstance) {
    TRuntimeFolder runtime;
    EXPECT_EQ(HyprlandInstanceRoots(),
              (std::vector<std::string>{runtime.Path("hypr"), "/tmp/hypr"}));
    // A folder of the test stands for /tmp/hypr, where real instances of ours may live.
    const std::vector<std::string> roots = {runtime.Path("hypr"), runtime.Path("tmp-hypr")};
    runtime.env.Set("HYPRLAND_INSTANCE_SIGNATURE", "old_instance");
    fs::create_directories(runtime.Path("tmp-hypr/old_instance"));
    const auto answer = [](int fd, const std::atomic<bool>&) {
        char buf[256];
        if (read(fd, buf, sizeof buf) > 0) WriteAll(fd, Fixture("hyprland-activewindow.json"));
    };
    {
        TFakeServer server(runtime.Path("tmp-hypr/old_instance/.socket.sock"), answer);
        THyprlandIpc hyprland(roots);
        EXPECT_EQ(hyprland.Focused(), (TFocusedWindow{4242, "foot", Beta.Title}));
    }

    fs::create_directories(runtime.Path("hypr/new_instance"));
    TFakeServer restarted(runtime.Path("hypr/new_instance/.socket.sock"), answer);
    THyprlandIpc hyprland(roots);
    EXPECT_EQ(hyprland.Focused(), (TFocusedWindow{4242, "foot", Beta.Title}));
    EXPECT_EQ(hyprland.Path(), runtime.Path("hypr/new_instance/.socket.sock"));
}

// /tmp/hypr is shared: any user may put a socket where the session's instance would be, to be
// told which windows we use and to tell us made-up ones. Needs root, to be another user.
TEST(HyprlandIpc, NeverAsksASocketOfAnotherUser) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    constexpr uid_t Other = 65534;
    TRuntimeFolder runtime;
    const std::vector<std::string> roots = {runtime.Path("tmp-hypr")};
    runtime.env.Set("HYPRLAND_INSTANCE_SIGNATURE", "abc_123_456");
    fs::create_directories(runtime.Path("tmp-hypr/abc_123_456"));
    const std::string path = runtime.Path("tmp-hypr/abc_123_456/.socket.sock");
    const auto answer = [](int fd) {
        char buf[256];
        if (read(fd, buf, sizeof buf) > 0) WriteAll(fd, Fixture("hyprland-activewindow.json"));
    };

    {
        // The socket file is the other user's.
        TFakeServer server(path, [&](int fd, const std::atomic<bool>&) { answer(fd); });
        ASSERT_EQ(chown(path.c_str(), Other, Other), 0);
        THyprlandIpc hyprland(roots);
        EXPECT_EQ(hyprland.Focused(), std::nullopt);
        EXPECT_NE(hyprland.LastError().find("not a socket of this user's"), std::string::npos)
            << hyprland.LastError();
        EXPECT_EQ(server.Connections(), 0);
    }

    // The file is ours, but the one who listens is the other user (a file swapped after it was
    // looked at).
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            setresgid(Other, Other, Other) != 0 || setresuid(Other, Other, Other) != 0 ||
            listen(fd, 8) != 0)
            _exit(1);
        (void)!write(ready[1], "r", 1);
        for (;;) {
            const int c = accept(fd, nullptr, nullptr);
            if (c >= 0) answer(c), close(c);
        }
    }
    close(ready[1]);
    char byte = 0;
    const bool listening = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    struct stat st;
    const bool oursOnDisk = lstat(path.c_str(), &st) == 0 && st.st_uid == getuid();
    std::optional<TFocusedWindow> focused;
    std::string error;
    if (listening && oursOnDisk) {
        THyprlandIpc hyprland(roots);
        focused = hyprland.Focused();
        error = hyprland.LastError();
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(listening && oursOnDisk);
    EXPECT_EQ(focused, std::nullopt);
    EXPECT_NE(error.find("served by another user"), std::string::npos) << error;
}

TEST(NiriIpc, SendsOneJsonRequestLineAndReadsOneReplyLine) {
    TRuntimeFolder runtime;
    const std::string path = runtime.Path("niri.wayland-1.77.sock");
    runtime.env.Set("NIRI_SOCKET", path);
    TReply reply;
    std::string request;
    const auto serve = [&](int fd, const std::atomic<bool>&) {
        if (ReadLineFrom(fd, request)) WriteAll(fd, reply.Get());
    };
    auto server = std::make_unique<TFakeServer>(path, serve);
    TNiriIpc niri;
    reply.Set(Fixture("niri-focusedwindow.json"));
    EXPECT_EQ(niri.Focused(), (TFocusedWindow{4242, "foot", Beta.Title}));
    EXPECT_EQ(request, "\"FocusedWindow\"");
    reply.Set(Fixture("niri-focusedwindow-none.json"));
    EXPECT_EQ(niri.Focused(), std::nullopt);

    // niri restarted on the same socket path.
    server.reset();
    EXPECT_EQ(niri.Focused(), std::nullopt);
    EXPECT_NE(niri.LastError(), "");
    server = std::make_unique<TFakeServer>(path, serve);
    reply.Set(Fixture("niri-focusedwindow-nopid.json"));
    EXPECT_EQ(niri.Focused(), (TFocusedWindow{0, "org.gnome.Nautilus", "Files"}));
    EXPECT_EQ(niri.LastError(), "");
}
