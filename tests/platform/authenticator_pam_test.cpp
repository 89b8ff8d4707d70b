// The PAM adapter against real PAM through pam_wrapper. pam_wrapper reads its service
// files once, when the process starts, so each test writes the service "nerova-vardo"
// (pam_matrix with a password file, and pam_exec for a check that takes its time) into a
// folder of its own and runs its step in a new process with libpam_wrapper preloaded.
// The password file itself is read at every check, so a step may rewrite it.

#include "platform/authenticator_pam.h"
#include "platform/task_queue_qt.h"
#include "tests/support/child_process.h"
#include "tests/support/core_application.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <vector>

namespace vardo {
namespace {

constexpr int waitMs = 30000;
const QString matrix = QStringLiteral("/usr/lib/x86_64-linux-gnu/pam_wrapper/pam_matrix.so");
const QString exec = QStringLiteral("/usr/lib/x86_64-linux-gnu/security/pam_exec.so");

QString me()
{
    return QString::fromLocal8Bit(getpwuid(getuid())->pw_name);
}

// Writes the service into a new folder and runs `step` ("PamStep.Name") in a new process
// with pam_wrapper reading that folder; `options` go to pam_matrix's auth line, and
// `extraModules` are auth lines after it.
::testing::AssertionResult runWithService(const std::string &step, const QString &options = {},
                                          const QString &extraModules = {})
{
    if (!QFile::exists(matrix))
        return ::testing::AssertionFailure() << "no " << matrix.toStdString() << " (Debian package libpam-wrapper)";
    QTemporaryDir dir;
    dir.setAutoRemove(true);
    const QString passdb = dir.filePath(QStringLiteral("passdb"));
    QDir().mkpath(dir.filePath(QStringLiteral("services")));
    QFile service(dir.filePath(QStringLiteral("services/nerova-vardo")));
    service.open(QIODevice::WriteOnly);
    service.write(QStringLiteral("auth required %1 passdb=%2 %3\n%4account required %1 passdb=%2\n")
                      .arg(matrix, passdb, options, QString(extraModules).replace(QStringLiteral("%DIR%"), dir.path()))
                      .toUtf8());
    service.close();
    return test::runTestInChildProcess(
        step, {"LD_PRELOAD=libpam_wrapper.so", "PAM_WRAPPER=1",
               "PAM_WRAPPER_SERVICE_DIR=" + dir.filePath(QStringLiteral("services")).toStdString(),
               "VARDO_PAM_DIR=" + dir.path().toStdString()});
}

class PamStep : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::isChildProcessStep())
            GTEST_SKIP() << "a step of another test";
        dir = qEnvironmentVariable("VARDO_PAM_DIR");
        writePassdb({me() + ":owner-password:nerova-vardo"});
    }

    // The password file: "user:password:service" lines.
    void writePassdb(const QStringList &lines)
    {
        QFile db(dir + QStringLiteral("/passdb"));
        ASSERT_TRUE(db.open(QIODevice::WriteOnly));
        db.write((lines.join('\n') + '\n').toUtf8());
    }

    struct Outcome {
        std::vector<Authenticator::Message> messages;
        std::optional<bool> accepted;
    };

    // Starts a check that answers every secret prompt with `password`.
    void begin(PamAuthenticator &pam, Outcome &outcome, const std::string &password)
    {
        pam.begin({
            .message =
                [&pam, &outcome, password](const Authenticator::Message &m) {
                    outcome.messages.push_back(m);
                    if (m.kind == Authenticator::Message::Kind::secretPrompt)
                        pam.answer(std::string(password));
                },
            .finished = [&outcome](bool ok) { outcome.accepted = ok; },
        });
    }

    Outcome run(const std::string &password)
    {
        PamAuthenticator pam(queue);
        Outcome outcome;
        begin(pam, outcome, password);
        QTest::qWaitFor([&] { return outcome.accepted.has_value(); }, waitMs);
        EXPECT_FALSE(pam.isRunning());
        return outcome;
    }
    std::optional<bool> check(const std::string &password) { return run(password).accepted; }

    QString dir;
    // The queue posts to the application object, which must exist first.
    const bool applicationReady = (test::ensureCoreApplication(), true);
    QtEventLoopQueue queue{QCoreApplication::instance()};
};

TEST(PamAuthenticator, OnlyTheRightPasswordOfTheUserRunningTheApplicationIsAccepted)
{
    EXPECT_TRUE(runWithService("PamStep.PasswordMatrix"));
}

TEST_F(PamStep, PasswordMatrix)
{
    const QString user = me();
    const std::string unicode = "pässwörd ✓ 密码";
    const std::string longOne(200, 'k');
    writePassdb({user + ":owner-password:nerova-vardo", "alice:alice-password:nerova-vardo",
                  "bob:" + QString::fromStdString(longOne) + ":nerova-vardo"});
    struct Row {
        std::string password;
        bool accepted;
    };
    for (const Row &row : {Row{"owner-password", true}, Row{"wrong", false}, Row{"Owner-password", false},
                           Row{"owner-password ", false}, Row{"", false}, Row{"alice-password", false},
                           Row{longOne, false}}) {
        SCOPED_TRACE(row.password);
        EXPECT_EQ(check(row.password), row.accepted);
    }

    writePassdb({user + ":" + QString::fromStdString(unicode) + ":nerova-vardo"});
    EXPECT_EQ(check(unicode), true);
    EXPECT_EQ(check("pässwörd"), false);

    // Known to the password file but not allowed this service: the account check refuses.
    writePassdb({user + ":owner-password:other-service"});
    EXPECT_EQ(check("owner-password"), false);
    // Not in the password file at all.
    writePassdb({"alice:owner-password:nerova-vardo"});
    EXPECT_EQ(check("owner-password"), false);
}

// PAM's own questions and messages reach the screen as they are: a visible prompt, an
// error after a failure, an info after a success.
TEST(PamAuthenticator, PassesThePromptsAndMessagesOfThePamStackOn)
{
    EXPECT_TRUE(runWithService("PamStep.ErrorsAndInfos", QStringLiteral("verbose")));
    EXPECT_TRUE(runWithService("PamStep.VisiblePrompt", QStringLiteral("echo")));
}

TEST_F(PamStep, ErrorsAndInfos)
{
    for (const auto &[password, kind] : {std::pair{std::string("wrong"), Authenticator::Message::Kind::error},
                                         std::pair{std::string("owner-password"), Authenticator::Message::Kind::info}}) {
        const Outcome outcome = run(password);
        ASSERT_TRUE(outcome.accepted.has_value());
        ASSERT_EQ(outcome.messages.size(), 2u);
        EXPECT_EQ(outcome.messages[0].kind, Authenticator::Message::Kind::secretPrompt);
        EXPECT_EQ(outcome.messages[1].kind, kind);
        EXPECT_FALSE(outcome.messages[1].text.empty());
    }
}

TEST_F(PamStep, VisiblePrompt)
{
    PamAuthenticator pam(queue);
    Outcome outcome;
    pam.begin({.message = [&](const Authenticator::Message &m) { outcome.messages.push_back(m); },
               .finished = [&](bool ok) { outcome.accepted = ok; }});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !outcome.messages.empty(); }, waitMs));
    EXPECT_EQ(outcome.messages[0].kind, Authenticator::Message::Kind::visiblePrompt);
    pam.answer("owner-password");
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.accepted.has_value(); }, waitMs));
    EXPECT_TRUE(*outcome.accepted);
}

// A check that takes its time (pam_exec waits on a pipe the test opens) never holds up
// the interface: timers fire and a second begin is ignored while it runs; the verdict
// comes once the module returns.
TEST(PamAuthenticator, TheInterfaceKeepsRunningWhileTheSystemChecks)
{
    EXPECT_TRUE(runWithService("PamStep.SlowCheck", {}, QStringLiteral("auth required %1 %DIR%/slow-module\n").arg(exec)));
}

// The module waits on a pipe that the step opens when it has seen what it looks for.
TEST_F(PamStep, SlowCheck)
{
    const QString gate = dir + QStringLiteral("/gate");
    ASSERT_EQ(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
    QFile file(dir + QStringLiteral("/slow-module"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\nread line < '%1'\n").arg(gate).toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    PamAuthenticator pam(queue);
    Outcome outcome;
    begin(pam, outcome, "owner-password");
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 5 && !outcome.messages.empty(); }, waitMs));
    EXPECT_FALSE(outcome.accepted.has_value());
    EXPECT_TRUE(pam.isRunning());
    Outcome second;
    begin(pam, second, "owner-password"); // a double submit
    QCoreApplication::processEvents();
    EXPECT_TRUE(second.messages.empty());

    QFile open(gate);
    ASSERT_TRUE(open.open(QIODevice::WriteOnly)); // the module is reading
    open.write("go\n");
    open.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.accepted.has_value(); }, waitMs));
    EXPECT_TRUE(*outcome.accepted);
    EXPECT_FALSE(second.accepted.has_value());
}

// Cancelled while PAM waits for an answer: refused at once, and nothing from that
// conversation arrives afterwards; the next check works.
TEST(PamAuthenticator, ACancelledCheckEndsAtOnceAndTheNextOneWorks)
{
    EXPECT_TRUE(runWithService("PamStep.Cancel"));
}

TEST_F(PamStep, Cancel)
{
    PamAuthenticator pam(queue);
    Outcome outcome;
    int finishedCalls = 0;
    pam.begin({.message = [&](const Authenticator::Message &m) { outcome.messages.push_back(m); },
               .finished = [&](bool ok) { outcome.accepted = ok; ++finishedCalls; }});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !outcome.messages.empty(); }, waitMs));
    pam.cancel();
    EXPECT_EQ(outcome.accepted, false);
    EXPECT_FALSE(pam.isRunning());

    Outcome next;
    begin(pam, next, "owner-password");
    ASSERT_TRUE(QTest::qWaitFor([&] { return next.accepted.has_value(); }, waitMs));
    EXPECT_TRUE(*next.accepted);
    EXPECT_EQ(finishedCalls, 1);
    EXPECT_EQ(outcome.messages.size(), 1u);
}

} // namespace
} // namespace vardo
