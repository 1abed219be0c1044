// SPDX-License-Identifier: GPL-3.0-or-later
// ToneBench's start, from exec to its window's map notification, against a bare Qt window (a main window
// holding a list) on the same display in the same run. Each program runs as a process of its own on an X
// server of the benchmark's own (Xvfb) with a session bus of its own; the window's map is read as the X
// server's MapNotify on the root window. ToneBench starts with 10,000 presets in its folder, with MIDI off,
// over ALSA and over JACK (a dummy server if none runs; starts in a row, each right after the last ended),
// and with 50,000 presets. Target: at most 1.5x the bare window, whatever the MIDI system and the
// library's size. The number of starts of each can be given: bench_startup 9.
#include "QZPBenchSupport.h"
#include "QZPJackServer.h"

#include <QCoreApplication>
#include <QSettings>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

pid_t spawn(const std::vector<QByteArray>& command, const std::vector<QByteArray>& environment) {
    std::vector<char*> argv;
    for (const QByteArray& item : command)
        argv.push_back(const_cast<char*>(item.constData()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const QByteArray& assignment : environment)
            ::putenv(const_cast<char*>(assignment.constData()));
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Reads one line a child writes on a pipe (Xvfb's display number, the bus's address).
QByteArray lineFrom(const std::vector<QByteArray>& command, int* childPid, bool toStdout) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    std::vector<QByteArray> withFd = command;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (toStdout)
            ::dup2(fds[1], 1);
        for (QByteArray& item : withFd)
            item.replace("@FD@", QByteArray::number(fds[1]));
        std::vector<char*> argv;
        for (QByteArray& item : withFd)
            argv.push_back(item.data());
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    *childPid = pid;
    QByteArray line;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(fds[0]);
    return line;
}

class Display {
public:
    explicit Display(const QByteArray& name) : m_name(name) {
        m_connection = xcb_connect(name.constData(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
        m_ok = true;
    }
    ~Display() { xcb_disconnect(m_connection); }
    bool ok() const { return m_ok; }
    const QByteArray& name() const { return m_name; }

    // Waits for a top-level window (not a pop-up) to be mapped; false after `timeoutMs`.
    bool waitForMap(double timeoutMs) {
        const double deadline = now() + timeoutMs;
        while (true) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY &&
                                    !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
                std::free(event);
                if (mapped)
                    return true;
            }
            const double left = deadline - now();
            if (left <= 0)
                return false;
            pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&fd, 1, int(left) + 1);
        }
    }
    // Drops what earlier programs left (their windows' unmaps and destroys).
    void drain() {
        xcb_aux_sync();
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

private:
    void xcb_aux_sync() {
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    QByteArray m_name;
    xcb_connection_t* m_connection = nullptr;
    bool m_ok = false;
};

struct Program {
    const char* label;
    std::vector<QByteArray> command;
    std::vector<QByteArray> environment;
    std::vector<double> startsMs;
    int missed = 0;
};

// One start: exec to map; the program then ends as a logout ends it (SIGTERM), and the next start follows
// at once.
void start(Display& display, Program& program) {
    display.drain();
    const double begun = now();
    const pid_t pid = spawn(program.command, program.environment);
    if (display.waitForMap(60000))
        program.startsMs.push_back(now() - begun);
    else
        ++program.missed;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A home of its own for ToneBench: its settings (no first-start guide, no offer to add it to the
// applications menu), and a presets folder of `count` presets.
std::vector<QByteArray> toneBenchHome(const QString& home, int count, const QByteArray& display,
                                      const QByteArray& bus) {
    const QString presets = home + QStringLiteral("/Presets");
    qzpFillPresetFolder(presets, count);
    QSettings settings(home + QStringLiteral("/.config/ToneBench/ToneBench.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("QZPPresetsFolderURL"), QUrl::fromLocalFile(presets).toString());
    settings.setValue(QStringLiteral("QZPOnboardingShownKey"), true);
    settings.setValue(QStringLiteral("moveToApplicationsFolderAlertSuppress"), true);
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return {"HOME=" + home.toUtf8(),
            "XDG_CONFIG_HOME=" + home.toUtf8() + "/.config",
            "XDG_DATA_HOME=" + home.toUtf8() + "/.local/share",
            "XDG_STATE_HOME=" + home.toUtf8() + "/state",
            "XDG_RUNTIME_DIR=" + home.toUtf8() + "/run",
            "DISPLAY=" + display,
            "DBUS_SESSION_BUS_ADDRESS=" + bus,
            "QT_QPA_PLATFORM=xcb"};
}

} // namespace

int main(int argc, char* argv[]) {
    QZPBenchHome benchHome;
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const QByteArray here = QFile::encodeName(QCoreApplication::applicationDirPath());
    const QByteArray toneBench = here + "/../src/tonebench";
    const QByteArray bare = here + "/bench_bare_window";

    int xPid = 0;
    const QByteArray number = lineFrom(
        {"Xvfb", "-displayfd", "@FD@", "-screen", "0", "1440x900x24", "-nolisten", "tcp"}, &xPid, false);
    if (number.isEmpty()) {
        std::printf("bench_startup needs Xvfb (Debian's xvfb)\n");
        return 1;
    }
    int busPid = 0;
    const QByteArray bus =
        lineFrom({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, &busPid, true);
    QZPJackServer jack;
    jack.ensure(256);

    {
        Display display(":" + number);
        if (!display.ok()) {
            std::printf("cannot reach the X server :%s\n", number.constData());
            return 1;
        }
        QTemporaryDir root;
        const auto home = [&root](const char* name) {
            return root.filePath(QString::fromLatin1(name));
        };
        const std::vector<QByteArray> small = toneBenchHome(home("small"), 10000, display.name(), bus);
        const std::vector<QByteArray> large = toneBenchHome(home("large"), 50000, display.name(), bus);
        std::vector<Program> programs{
            {"bare Qt window", {bare}, small, {}},
            {"ToneBench, 10,000 presets, MIDI off", {toneBench, "--midi-api", "none"}, small, {}},
            {"ToneBench, 10,000 presets, ALSA", {toneBench, "--midi-api", "alsa"}, small, {}},
            {"ToneBench, 10,000 presets, JACK", {toneBench, "--midi-api", "jack"}, small, {}},
            {"ToneBench, 50,000 presets, MIDI off", {toneBench, "--midi-api", "none"}, large, {}},
        };
        // One start of each first, unmeasured: the disk cache and the presets' marks are warm afterwards.
        for (Program& program : programs) {
            start(display, program);
            program.startsMs.clear();
            program.missed = 0;
        }
        // Rounds interleave the programs, so that the machine's load falls on all alike; JACK's starts
        // come in a row, each right after the last ended.
        for (int round = 0; round < rounds; ++round)
            for (Program& program : programs)
                for (int again = 0;
                     again < (std::string(program.label).find("JACK") != std::string::npos ? 3 : 1); ++again)
                    start(display, program);

        const double reference = median(programs.front().startsMs);
        std::printf(
            "exec to the window's map, median and worst of %d rounds (JACK: 3 starts in a row each)\n",
            rounds);
        for (const Program& program : programs) {
            const double middle = median(program.startsMs);
            const double worst = program.startsMs.empty()
                                     ? 0
                                     : *std::max_element(program.startsMs.begin(), program.startsMs.end());
            std::printf("%-40s %7.0f ms  worst %7.0f ms  %.2fx the bare window%s", program.label, middle,
                        worst, middle / reference, &program == &programs.front() ? "" : " (target <= 1.5)");
            if (program.missed > 0)
                std::printf("  %d starts showed no window", program.missed);
            std::printf("\n");
        }
    }
    ::kill(busPid, SIGTERM);
    ::kill(xPid, SIGTERM);
    ::waitpid(busPid, nullptr, 0);
    ::waitpid(xPid, nullptr, 0);
    return 0;
}
