// Real PAM through pam_wrapper, which reads its service files once per process: each step
// runs in a new process over a service folder of its own. The password file is read at
// every check, so a step may rewrite it.

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

#include <functional>
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

// `options` go to pam_matrix's auth line, `extraModules` are auth lines after it.
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
        int finishedCalls = 0;
    };

    // Starts a check that answers every secret prompt with `password`, if given.
    void begin(PamAuthenticator &pam, Outcome &outcome, std::optional<std::string> password = std::nullopt)
    {
        pam.begin({.message =
                       [&pam, &outcome, password](const Authenticator::Message &m) {
                           outcome.messages.push_back(m);
                           if (password && m.kind == Authenticator::Message::Kind::secretPrompt)
                               pam.answer(std::string(*password));
                       },
                   .finished = [&outcome](bool ok) { outcome.accepted = ok; ++outcome.finishedCalls; }});
    }
    bool waitFor(const std::function<bool()> &condition) { return QTest::qWaitFor(condition, waitMs); }

    Outcome run(const std::string &password)
    {
        PamAuthenticator pam(queue);
        Outcome outcome;
        begin(pam, outcome, password);
        waitFor([&] { return outcome.accepted.has_value(); });
        EXPECT_FALSE(pam.isRunning());
        return outcome;
    }
    std::optional<bool> check(const std::string &password) { return run(password).accepted; }

    QString dir;
    // The queue posts to the application object, which must exist first.
    const bool applicationReady = (test::ensureCoreApplication(), true);
    QtEventLoopQueue queue{QCoreApplication::instance()};
};

TEST(PamAuthenticator, EveryStepPassesAgainstRealPam)
{
    const struct {
        const char *step;
        QString options, extraModules;
    } steps[] = {
        {"PamStep.PasswordMatrix", {}, {}},
        {"PamStep.ErrorsAndInfos", QStringLiteral("verbose"), {}},
        {"PamStep.VisiblePrompt", QStringLiteral("echo"), {}},
        {"PamStep.SlowCheck", {}, QStringLiteral("auth required %1 %DIR%/slow-module\n").arg(exec)},
        {"PamStep.Cancel", {}, {}},
    };
    for (const auto &s : steps)
        EXPECT_TRUE(runWithService(s.step, s.options, s.extraModules)) << s.step;
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

// PAM's messages reach the screen as they are: an error after a failure, an info after
// a success, and a visible prompt.
TEST_F(PamStep, ErrorsAndInfos)
{
    using Kind = Authenticator::Message::Kind;
    for (const auto &[password, kind] : {std::pair{std::string("wrong"), Kind::error},
                                         std::pair{std::string("owner-password"), Kind::info}}) {
        const Outcome outcome = run(password);
        ASSERT_EQ(outcome.messages.size(), 2u);
        EXPECT_EQ(outcome.messages[0].kind, Kind::secretPrompt);
        EXPECT_EQ(outcome.messages[1].kind, kind);
        EXPECT_FALSE(outcome.messages[1].text.empty());
    }
}

TEST_F(PamStep, VisiblePrompt)
{
    PamAuthenticator pam(queue);
    Outcome outcome;
    begin(pam, outcome);
    ASSERT_TRUE(waitFor([&] { return !outcome.messages.empty(); }));
    EXPECT_EQ(outcome.messages[0].kind, Authenticator::Message::Kind::visiblePrompt);
    pam.answer("owner-password");
    ASSERT_TRUE(waitFor([&] { return outcome.accepted.has_value(); }));
    EXPECT_TRUE(*outcome.accepted);
}

// A slow check never holds up the interface: timers fire and a second begin is ignored.
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
    Outcome outcome, second;
    begin(pam, outcome, "owner-password");
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    ASSERT_TRUE(waitFor([&] { return ticks >= 5 && !outcome.messages.empty(); }));
    EXPECT_FALSE(outcome.accepted.has_value());
    EXPECT_TRUE(pam.isRunning());
    begin(pam, second, "owner-password"); // a double submit
    QCoreApplication::processEvents();
    EXPECT_TRUE(second.messages.empty());

    QFile open(gate);
    ASSERT_TRUE(open.open(QIODevice::WriteOnly)); // the module is reading
    open.write("go\n");
    open.close();
    ASSERT_TRUE(waitFor([&] { return outcome.accepted.has_value(); }));
    EXPECT_TRUE(*outcome.accepted);
    EXPECT_FALSE(second.accepted.has_value());
}

// Cancelled while PAM waits for an answer: refused at once, nothing of that conversation
// arrives afterwards, and the next check works.
TEST_F(PamStep, Cancel)
{
    PamAuthenticator pam(queue);
    Outcome outcome, next;
    begin(pam, outcome);
    ASSERT_TRUE(waitFor([&] { return !outcome.messages.empty(); }));
    pam.cancel();
    EXPECT_EQ(outcome.accepted, false);
    EXPECT_FALSE(pam.isRunning());

    begin(pam, next, "owner-password");
    ASSERT_TRUE(waitFor([&] { return next.accepted.has_value(); }));
    EXPECT_TRUE(*next.accepted);
    EXPECT_EQ(outcome.finishedCalls, 1);
    EXPECT_EQ(outcome.messages.size(), 1u);
}

} // namespace
} // namespace vardo
