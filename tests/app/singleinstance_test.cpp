// One recorder per record, offscreen: a second start on the same data file hands over to the
// first, one that gets no answer tells the user, and neither touches the file.
#include "app/dialogs.h"
#include "app/singleinstance.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <filesystem>
#include <sys/socket.h>
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
