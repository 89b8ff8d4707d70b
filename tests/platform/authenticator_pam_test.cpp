// The PAM adapter against real PAM through pam_wrapper: each test writes the service
// "nerova-vardo" (pam_matrix with a password file, pam_exec for a check that takes its
// time) into PAM_WRAPPER_SERVICE_DIR and talks to it as the lock screen would. The
// executable runs with libpam_wrapper preloaded (see CMakeLists.txt).

#include "platform/authenticator_pam.h"
#include "platform/task_queue_qt.h"
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

class PamAuthenticatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        serviceDir = qEnvironmentVariable("PAM_WRAPPER_SERVICE_DIR");
        ASSERT_FALSE(serviceDir.isEmpty()) << "run with libpam_wrapper preloaded (ctest does)";
        ASSERT_TRUE(QFile::exists(matrix)) << "Debian package libpam-wrapper";
        ASSERT_TRUE(QDir().mkpath(serviceDir));
    }

    // The service file, and the password file it names: "user:password:service" lines.
    void writeService(const QStringList &passdb, const QString &extraModules = {}, const QString &options = {})
    {
        const QString passdbPath = dir.filePath(QStringLiteral("passdb"));
        QFile db(passdbPath);
        ASSERT_TRUE(db.open(QIODevice::WriteOnly));
        db.write((passdb.join('\n') + '\n').toUtf8());
        db.close();
        QFile service(serviceDir + QStringLiteral("/nerova-vardo"));
        ASSERT_TRUE(service.open(QIODevice::WriteOnly));
        service.write(QStringLiteral("auth required %1 passdb=%2 %3\n%4account required %1 passdb=%2\n")
                          .arg(matrix, passdbPath, options, extraModules)
                          .toUtf8());
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

    std::optional<bool> check(const std::string &password)
    {
        PamAuthenticator pam(queue);
        Outcome outcome;
        begin(pam, outcome, password);
        QTest::qWaitFor([&] { return outcome.accepted.has_value(); }, waitMs);
        EXPECT_FALSE(pam.isRunning());
        return outcome.accepted;
    }

    QString serviceDir;
    QTemporaryDir dir;
    QtEventLoopQueue queue{QCoreApplication::instance()};
};

TEST_F(PamAuthenticatorTest, OnlyTheRightPasswordOfTheUserRunningTheApplicationIsAccepted)
{
    const QString user = me();
    const std::string unicode = "pässwörd ✓ 密码";
    const std::string longOne(200, 'k');
    writeService({user + ":owner-password:nerova-vardo", "alice:alice-password:nerova-vardo",
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

    writeService({user + ":" + QString::fromStdString(unicode) + ":nerova-vardo"});
    EXPECT_EQ(check(unicode), true);
    EXPECT_EQ(check("pässwörd"), false);

    // Known to the password file but not allowed this service: the account check refuses.
    writeService({user + ":owner-password:other-service"});
    EXPECT_EQ(check("owner-password"), false);
    // Not in the password file at all.
    writeService({"alice:owner-password:nerova-vardo"});
    EXPECT_EQ(check("owner-password"), false);
}

// PAM's own questions and messages reach the screen as they are: a visible prompt, an
// error after a failure, an info after a success.
TEST_F(PamAuthenticatorTest, PassesThePromptsAndMessagesOfThePamStackOn)
{
    writeService({me() + ":owner-password:nerova-vardo"}, {}, QStringLiteral("verbose"));
    for (const auto &[password, kind] : {std::pair{std::string("wrong"), Authenticator::Message::Kind::error},
                                         std::pair{std::string("owner-password"), Authenticator::Message::Kind::info}}) {
        PamAuthenticator pam(queue);
        Outcome outcome;
        begin(pam, outcome, password);
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.accepted.has_value(); }, waitMs));
        ASSERT_EQ(outcome.messages.size(), 2u);
        EXPECT_EQ(outcome.messages[0].kind, Authenticator::Message::Kind::secretPrompt);
        EXPECT_EQ(outcome.messages[1].kind, kind);
        EXPECT_FALSE(outcome.messages[1].text.empty());
    }

    writeService({me() + ":owner-password:nerova-vardo"}, {}, QStringLiteral("echo"));
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
TEST_F(PamAuthenticatorTest, TheInterfaceKeepsRunningWhileTheSystemChecks)
{
    const QString gate = dir.filePath(QStringLiteral("gate"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
    const QString script = dir.filePath(QStringLiteral("slow-module"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\nread line < '%1'\n").arg(gate).toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeService({me() + ":owner-password:nerova-vardo"}, QStringLiteral("auth required %1 %2\n").arg(exec, script));

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
TEST_F(PamAuthenticatorTest, ACancelledCheckEndsAtOnceAndTheNextOneWorks)
{
    writeService({me() + ":owner-password:nerova-vardo"});
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
