// One recorder per record, offscreen: a second start on the same data file hands over to the
// first, one that gets no answer tells the user, and neither touches the file.
#include "app/dialogs.h"
#include "app/singleinstance.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

class TellDialogs : public IDialogs {
public:
    std::vector<QString> told; // every text shown, in whatever box
    void ShowError(QWidget*, const QString& text, std::function<void()>) override {
        told.push_back(text);
    }
    void Inform(QWidget*, const QString&, const QString& text) override { told.push_back(text); }
    QMessageBox::StandardButton Ask(QWidget*, const QString&, const QString& text,
                                    QMessageBox::StandardButtons, QMessageBox::Icon) override {
        told.push_back(text);
        return QMessageBox::Ok;
    }
    bool InputQuery(QWidget*, const QString&, const QString&, QString&) override { return false; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override {
        return {};
    }
    void OpenWithDesktop(const QUrl&) override {}
};

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        data = dir.path().toStdString() + "/Orvane/orvane.cdat";
        SetDialogs(&dialogs);
    }
    void TearDown() override { SetDialogs(nullptr); }

    QTemporaryDir dir;
    std::string data;
    TellDialogs dialogs;
};

// Sets an environment variable (null: unsets it) and puts the old value back at the end.
class TEnvSet {
public:
    TEnvSet(const char* name, const std::optional<QByteArray>& value) : FName(name) {
        if (qEnvironmentVariableIsSet(name)) FOld = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~TEnvSet() {
        if (FOld)
            qputenv(FName, *FOld);
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    std::optional<QByteArray> FOld;
};

} // namespace

TEST_F(SingleInstance, ASecondStartOnTheRecordHandsOverToTheFirst) {
    TSingleInstance first(data);
    ASSERT_EQ(first.Start(), TSingleInstance::EStart::First);
    QSignalSpy shown(&first, &TSingleInstance::showRequested);

    TSingleInstance second(data);
    int status = -1;
    EXPECT_FALSE(ClaimRecord(second, status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(dialogs.told.empty());
    EXPECT_FALSE(fs::exists(data)) << "neither start touches the record";

    TSingleInstance other(dir.path().toStdString() + "/Orvane/other.cdat");
    EXPECT_EQ(other.Start(), TSingleInstance::EStart::First) << "another name, another record";
    EXPECT_NE(TSingleInstance::ServerName(data), TSingleInstance::ServerName(other.DataFile()));
}

TEST_F(SingleInstance, TheRecordIsFreeAgainOnceTheFirstHasGone) {
    {
        TSingleInstance first(data);
        ASSERT_EQ(first.Start(), TSingleInstance::EStart::First);
    }
    // A copy killed outright leaves its socket file behind (its lock goes with it).
    const QString name = TSingleInstance::ServerName(data);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", qPrintable(name));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(fs::exists(name.toStdString()));

    TSingleInstance next(data);
    ASSERT_EQ(next.Start(), TSingleInstance::EStart::First);
    QSignalSpy shown(&next, &TSingleInstance::showRequested);
    TSingleInstance later(data);
    EXPECT_EQ(later.Start(), TSingleInstance::EStart::HandedOver) << "it answers on the old name";
    EXPECT_EQ(shown.count(), 1);
}

TEST_F(SingleInstance, AHolderThatDoesNotAnswerIsReportedAndTheStartEnds) {
    fs::create_directories(fs::path(data).parent_path());
    platform::TRecordLock holder; // holds the record, answers nobody
    ASSERT_EQ(holder.Acquire(data), platform::TRecordLock::EState::Held);

    TSingleInstance second(data, 300);
    QElapsedTimer waited;
    waited.start();
    int status = -1;
    EXPECT_FALSE(ClaimRecord(second, status));
    EXPECT_GE(waited.elapsed(), 250) << "it waits for an answer first";
    EXPECT_EQ(status, 1);
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_TRUE(dialogs.told[0].contains("already runs")) << dialogs.told[0].toStdString();
    EXPECT_TRUE(dialogs.told[0].contains(QString::fromStdString(data)));
    EXPECT_FALSE(fs::exists(data));
}

// A socket path holds about a hundred bytes; a runtime folder may be longer, or not be set at all;
// a data folder may be reached through a link. A second start finds the first in each case.
TEST_F(SingleInstance, TheSecondStartFindsTheFirstWhereverTheFoldersLie) {
    const QString root = dir.path();
    const QString longRuntime = root + "/" + QString(110, 'r');
    ASSERT_TRUE(QDir().mkpath(longRuntime));
    ASSERT_EQ(::chmod(QFile::encodeName(longRuntime).constData(), 0700), 0);
    ASSERT_TRUE(QDir().mkpath(root + "/tmp"));
    ASSERT_TRUE(QDir().mkpath(root + "/real"));
    fs::create_directory_symlink((root + "/real").toStdString(), (root + "/link").toStdString());
    const TEnvSet tmp("TMPDIR", (root + "/tmp").toUtf8());
    const struct Case {
        const char* What;
        std::optional<QByteArray> Runtime;
        QString First, Second; // the data folders of the two starts
    } cases[] = {
        {"a runtime folder of 110 characters", longRuntime.toUtf8(), "/Orvane", "/Orvane"},
        {"no runtime folder", std::nullopt, "/Orvane", "/Orvane"},
        {"the data folder through a link", std::nullopt, "/real", "/link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const TEnvSet runtime("XDG_RUNTIME_DIR", c.Runtime);
        TSingleInstance first((root + c.First + "/orvane.cdat").toStdString());
        ASSERT_EQ(first.Start(), TSingleInstance::EStart::First);
        QSignalSpy shown(&first, &TSingleInstance::showRequested);
        TSingleInstance second((root + c.Second + "/orvane.cdat").toStdString(), 500);
        EXPECT_EQ(second.Start(), TSingleInstance::EStart::HandedOver);
        EXPECT_EQ(shown.count(), 1);

        const QString name = TSingleInstance::ServerName(first.DataFile());
        EXPECT_LT(name.toUtf8().size(), 100) << name.toStdString();
        // In a folder of ours that nobody else may enter.
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(QFileInfo(name).path()).constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, ::getuid());
        EXPECT_EQ(st.st_mode & 077, 0u);
        if (!c.Runtime) {
            EXPECT_TRUE(name.startsWith(root + "/tmp/orvane-")) << name.toStdString();
        }
    }
}

// Anyone may create a name in the temporary folder: a folder there that is not ours is never
// used. Needs root, to be another user.
TEST_F(SingleInstance, AFolderOfAnotherUserInTheTemporaryFolderIsNotUsed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const QString tmp = dir.path() + "/tmp";
    const QString planted = tmp + "/orvane-" + QString::number(::getuid());
    ASSERT_TRUE(QDir().mkpath(planted));
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), 0777), 0);
    const TEnvSet tmpdir("TMPDIR", tmp.toUtf8());
    const TEnvSet runtime("XDG_RUNTIME_DIR", std::nullopt);
    const QString name = TSingleInstance::ServerName(data);
    EXPECT_FALSE(name.startsWith(planted)) << name.toStdString();
    TSingleInstance first(data);
    ASSERT_EQ(first.Start(), TSingleInstance::EStart::First);
    TSingleInstance second(data, 500);
    EXPECT_EQ(second.Start(), TSingleInstance::EStart::HandedOver);
}
