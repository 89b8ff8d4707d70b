// A bus that accepts the connection and never answers: the probe gives up within its
// limit, and the application's start (here the `state` command, which opens both buses
// the way the application does) carries on without the bus.

#include "platform/dbus_bus_probe.h"
#include "tests/support/private_bus.h"
#include "tests/support/child_process.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vardo {
namespace {

// A listening socket nobody reads from: connections are accepted by the kernel and then
// hear nothing, as from a wedged bus daemon.
struct SilentBus {
    SilentBus()
    {
        sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
        dir.filePath("bus").toStdString().copy(address.sun_path, sizeof address.sun_path - 1);
        ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 && ::listen(fd, 64) == 0;
    }
    ~SilentBus() { ::close(fd); }
    std::string address() const { return "unix:path=" + dir.filePath("bus").toStdString(); }

    QTemporaryDir dir;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool ok = false;
};

TEST(BusProbe, ABusThatNeverAnswersIsGivenUpWithinTheLimit)
{
    SilentBus silent;
    ASSERT_TRUE(silent.ok);
    const auto reason = busAtAddressUnanswered(silent.address(), 300);
    ASSERT_TRUE(reason);
    EXPECT_EQ(*reason, "the bus at " + silent.address() + " did not answer within 0.3 s");

    test::PrivateBus bus;
    ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
    EXPECT_EQ(busAtAddressUnanswered(bus.address().toStdString()), std::nullopt);
}

TEST(BusProbe, TheStateCommandCarriesOnWithoutBusesThatNeverAnswer)
{
    SilentBus silent;
    ASSERT_TRUE(silent.ok);
    QTemporaryDir home;
    const test::ProcessResult result = test::runProcess(
        {VARDO_BINARY_DIR "/app/nerova-vardo", "state"}, {},
        {"DBUS_SESSION_BUS_ADDRESS=" + silent.address(), "DBUS_SYSTEM_BUS_ADDRESS=" + silent.address(),
         "XDG_CONFIG_HOME=" + home.path().toStdString()});
    // Both buses are opened at start; reaching the end at all is the point.
    EXPECT_EQ(result.exitCode, 0) << result.output << result.errors;
    EXPECT_NE(result.output.find("cannot use the D-Bus session bus: the bus at " + silent.address()
                                 + " did not answer within 3 s"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("{\"isEnabled\":"), std::string::npos) << result.output;
}

} // namespace
} // namespace vardo
