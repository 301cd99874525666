// Start-up time of r7config next to a bare Qt Widgets window of the same size,
// measured from outside: the benchmark watches the X display for the first
// top-level window a child maps, from the moment it starts the child.
//
//     xvfb-run -a -s "-screen 0 1280x900x24" bench_startup [RUNS] [-- R7CONFIG]
//
// Prints, per kind, the median, minimum and maximum of RUNS runs (default 11),
// and the ratio of the medians. Runs alternate between the two, so a change in
// the machine's load touches both alike.

#include <QApplication>
#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int BareWidth = 1150; // the main window's minimum size
constexpr int BareHeight = 800;

int runBare(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(BareWidth, BareHeight);
    window.show();
    return app.exec();
}

using Clock = std::chrono::steady_clock;

// Starts argv as a child, waits until it maps a top-level window, and returns
// the milliseconds from the fork to the MapNotify; -1 when the child ended or
// mapped nothing within 20 s. The child is killed afterwards.
double timeToMap(Display *display, const std::vector<std::string> &command, const char *settingsDir)
{
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True); // drop what earlier runs left

    const auto started = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char *> args;
        for (const std::string &word : command)
            args.push_back(const_cast<char *>(word.c_str()));
        args.push_back(nullptr);
        setenv("R7CONFIG_SETTINGS_DIR", settingsDir, 1);
        setenv("QT_LOGGING_RULES", "*.debug=false", 1);
        // Quiet: what the child prints is not measured.
        if (FILE *null = std::fopen("/dev/null", "w")) {
            dup2(fileno(null), 1);
            dup2(fileno(null), 2);
        }
        execv(args[0], args.data());
        _exit(127);
    }

    double ms = -1;
    const int fd = ConnectionNumber(display);
    while (ms < 0) {
        const double waited = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        if (waited > 20000)
            break;
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
                break;
            }
        }
        if (ms >= 0)
            break;
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child)
            return -1;
        pollfd p{ fd, POLLIN, 0 };
        poll(&p, 1, 50);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XSelectInput(display, root, NoEventMask);
    XSync(display, True);
    return ms;
}

struct Figures {
    double median = 0, minimum = 0, maximum = 0;
};

Figures summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    Figures f;
    if (values.empty())
        return f;
    f.minimum = values.front();
    f.maximum = values.back();
    const size_t n = values.size();
    f.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0)
        return runBare(argc, argv);

    int runs = 11;
    std::string r7config = R7CONFIG_PATH;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0 && i + 1 < argc) {
            r7config = argv[i + 1];
            break;
        }
        runs = std::max(1, std::atoi(argv[i]));
    }

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_startup: no X display (run it under xvfb-run)\n");
        return 2;
    }
    QTemporaryDir settings; // no setting.ini: the first run's connection page
    const QByteArray settingsDir = settings.path().toLocal8Bit();

    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 2;

    std::vector<double> bare, tool;
    for (int run = 0; run < runs; ++run) {
        const double b = timeToMap(display, { self, "--bare" }, settingsDir.constData());
        const double t = timeToMap(display, { r7config }, settingsDir.constData());
        if (b < 0 || t < 0) {
            std::fprintf(stderr, "bench_startup: run %d mapped no window\n", run + 1);
            return 1;
        }
        bare.push_back(b);
        tool.push_back(t);
    }
    const Figures fb = summarise(bare), ft = summarise(tool);
    std::printf("window mapped after (ms), %d runs    median     min     max\n", runs);
    std::printf("  bare Qt window %dx%d       %7.1f %7.1f %7.1f\n", BareWidth, BareHeight, fb.median, fb.minimum, fb.maximum);
    std::printf("  r7config                      %7.1f %7.1f %7.1f\n", ft.median, ft.minimum, ft.maximum);
    std::printf("  ratio of the medians          %7.2f\n", ft.median / fb.median);
    XCloseDisplay(display);
    return 0;
}
