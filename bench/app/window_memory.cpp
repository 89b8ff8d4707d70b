// window_memory: how much memory the running application takes with its main window open
// and after the user closed it. Starts the real program (its path is the one argument) on
// the X server and session bus it inherits (bench/app/measure-memory provides both, and a
// settings folder of its own), reads /proc/PID/smaps_rollup, closes the window as a
// window manager does (WM_DELETE_WINDOW), and reads again. Prints one line per state.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <X11/Xlib.h>

#include <cstdio>

namespace {

struct Memory {
    double rssMiB = 0;
    double pssMiB = 0;
};

Memory memoryOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    Memory memory;
    if (!file.open(QIODevice::ReadOnly))
        return memory;
    const QString text = QString::fromLatin1(file.readAll());
    auto kib = [&](const char *field) {
        const QRegularExpression pattern(QStringLiteral("^%1:\\s+(\\d+) kB").arg(QLatin1String(field)),
                                         QRegularExpression::MultilineOption);
        return pattern.match(text).captured(1).toDouble();
    };
    memory.rssMiB = kib("Rss") / 1024.0;
    memory.pssMiB = kib("Pss") / 1024.0;
    return memory;
}

// The mapped top-level window titled "Nerova Vardo", or 0.
Window mainWindow(Display *display)
{
    Window root = DefaultRootWindow(display), parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        char *name = nullptr;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable
            && XFetchName(display, children[i], &name) && name && QByteArray(name) == "Nerova Vardo"
            && attributes.width > 300)
            found = children[i];
        if (name)
            XFree(name);
    }
    if (children)
        XFree(children);
    return found;
}

Window waitForWindow(Display *display, bool mapped)
{
    for (int i = 0; i < 300; ++i) {
        const Window window = mainWindow(display);
        if ((window != 0) == mapped)
            return window;
        QThread::msleep(100);
    }
    return 0;
}

void print(const char *state, const Memory &memory)
{
    std::printf("%-28s RSS %6.1f MiB   PSS %6.1f MiB\n", state, memory.rssMiB, memory.pssMiB);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: window_memory PATH-TO-nerova-vardo\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("window_memory: no X display (run it through bench/app/measure-memory)\n", stderr);
        return 1;
    }
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString::fromLocal8Bit(argv[1]), {});
    if (!program.waitForStarted()) {
        std::fputs("window_memory: the program did not start\n", stderr);
        return 1;
    }
    const Window window = waitForWindow(display, true);
    if (!window) {
        std::fputs("window_memory: no main window appeared\n", stderr);
        return 1;
    }
    QThread::sleep(3); // loaded, drawn and settled
    print("main window open", memoryOf(program.processId()));

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    waitForWindow(display, false);
    QThread::sleep(3);
    print("main window closed (tray)", memoryOf(program.processId()));

    program.terminate();
    program.waitForFinished();
    XCloseDisplay(display);
    return 0;
}
