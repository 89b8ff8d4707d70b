#pragma once

#include <QCoreApplication>

namespace vardo::test {

// D-Bus signal delivery and QTest::qWaitFor need an application object. It is created
// once and never destroyed, so nothing depends on the order of static destruction.
inline void ensureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "vardo-session-tests";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

} // namespace vardo::test
