#pragma once

// Running other programs from a test, and running one test of the same executable in a
// fresh process (for "written by one process, read by the next" checks). Children
// inherit the environment, so under tests/support/with-keyring they all see the same
// private keyring.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <cstdlib>
#include <string>
#include <vector>

namespace vardo::test {

struct ProcessResult {
    int exitCode = -1; // -1 when the program could not be started or was killed
    std::string output; // standard output
    std::string errors; // standard error
};

// Starts argv[0] (searched on PATH) with `input` on its standard input and
// `extraEnvironment` ("NAME=value") added to (or replacing in) the inherited environment,
// and waits for it.
inline ProcessResult runProcess(const std::vector<std::string> &argv, const std::string &input = {},
                                const std::vector<std::string> &extraEnvironment = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const std::string &entry : extraEnvironment) {
        const auto nameLength = entry.find('=');
        environment.insert(QString::fromStdString(entry.substr(0, nameLength)),
                           QString::fromStdString(entry.substr(nameLength + 1)));
    }
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i)
        arguments << QString::fromStdString(argv[i]);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(argv.at(0)), arguments);
    ProcessResult result;
    if (!process.waitForStarted(-1))
        return result;
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    process.waitForFinished(-1);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput().toStdString();
    result.errors = process.readAllStandardError().toStdString();
    return result;
}

inline constexpr const char *childStepVariable = "VARDO_TEST_CHILD_STEP";

// True in a process started by runTestInChildProcess. Step tests begin with
//     if (!vardo::test::isChildProcessStep()) GTEST_SKIP() << "a step of another test";
inline bool isChildProcessStep()
{
    const char *value = std::getenv(childStepVariable);
    return value && *value;
}

// Runs the test "Suite.Name" of this executable in a new process; succeeds when exactly
// that one test ran and passed, otherwise fails with the child's output.
// `extraEnvironment` entries ("NAME=value") pass data in.
inline ::testing::AssertionResult runTestInChildProcess(const std::string &testName,
                                                        std::vector<std::string> extraEnvironment = {})
{
    extraEnvironment.push_back(std::string(childStepVariable) + "=1");
    const ProcessResult result =
        runProcess({"/proc/self/exe", "--gtest_filter=" + testName}, {}, extraEnvironment);
    if (result.exitCode == 0 && result.output.find("[  PASSED  ] 1 test.") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "child process for " << testName << " exited with "
                                         << result.exitCode << ":\n"
                                         << result.output << result.errors;
}

} // namespace vardo::test
