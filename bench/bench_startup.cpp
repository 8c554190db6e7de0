// Start-up: from process start to the main window shown on the X display,
// and the peak resident memory, of the program with 50 criteria and a full
// result list (its automatic first run going to the local listings site),
// beside an empty toolkit window. Needs an X display (bench/run.sh uses Xvfb).
//
// Run memory: the same program with 4 to 2000 criteria of 3 rows each and a
// full reference file; its peak and resident memory after the first run.
//
// The window is seen from outside: the benchmark watches the display's root
// window for a top-level window being mapped whose title begins with the
// expected text, and reads VmHWM of the process from /proc at that moment.
// It then follows the title: when it shows " - suche..." the first run is
// under way, and the next title change ends it.
#include "bench_support.h"
#include "listings_site.h"

#include <benchmark/benchmark.h>
#include <wx/fileconf.h>
#include <wx/init.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const int kCriteria = 50;
const int kResultRows = 222;
const double kShowTimeout = 20.0;
const double kRunTimeout = 60.0;

struct Launch
{
    bool shown = false;
    double shownSeconds = 0;
    long hwmKbShown = 0;
    long rssKbShown = 0;
    bool runSeen = false;
    double runDoneSeconds = -1;
    long hwmKbEnd = 0;
    long rssKbEnd = 0;
    double cpuSecondsShown = 0; // user + system time of the process
    double cpuSecondsEnd = 0;
};

// A value in kB of /proc/<pid>/status, e.g. "VmHWM:" (peak) or "VmRSS:".
long ReadStatusKb(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line))
    {
        if (line.compare(0, length, field) == 0)
            return std::atol(line.c_str() + length);
    }
    return 0;
}

// User and system time of the process so far, from /proc/<pid>/stat.
double ReadCpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    // The fields after the command name (which may hold blanks) begin with
    // the state; utime and stime are the 12th and 13th of them.
    const std::string::size_type close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i)
    {
        if (i >= 12)
            ticks += std::atof(field.c_str());
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

long ReadHwmKb(pid_t pid)
{
    return ReadStatusKb(pid, "VmHWM:");
}

std::string WindowTitle(Display* display, Window window)
{
    static const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data)
    {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        if (!title.empty())
            return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name)
    {
        title = name;
        XFree(name);
    }
    return title;
}

// Waits up to seconds for the next event; false on time-out.
bool NextEvent(Display* display, XEvent& event, double until)
{
    while (!XPending(display))
    {
        const double left = until - bench::Now();
        if (left <= 0)
            return false;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left * 1000) + 1);
    }
    XNextEvent(display, &event);
    return true;
}

// Starts program in dir, which is also its HOME, with its standard output
// going nowhere; -1 when it could not be started.
pid_t StartIn(const std::string& program, const std::string& dir)
{
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        if (::chdir(dir.c_str()) != 0)
            ::_exit(127);
        ::setenv("HOME", dir.c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// Starts program in dir (also its HOME), waits for its window, follows its
// first run when one starts within settleSeconds, then ends it. The memory
// at the end is read afterSeconds after the run (or the settling) ended.
Launch LaunchOnce(Display* display, const std::string& program, const std::string& dir,
                  const std::string& titlePrefix, double settleSeconds, double afterSeconds = 0)
{
    Launch result;
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    const double start = bench::Now();
    const pid_t pid = StartIn(program, dir);
    if (pid < 0)
        return result;

    Window window = 0;
    XEvent event;
    const double showDeadline = start + kShowTimeout;
    while (!window && NextEvent(display, event, showDeadline))
    {
        if (event.type == MapNotify &&
            WindowTitle(display, event.xmap.window).compare(0, titlePrefix.size(), titlePrefix) ==
                0)
        {
            result.shownSeconds = bench::Now() - start;
            result.hwmKbShown = ReadHwmKb(pid);
            result.rssKbShown = ReadStatusKb(pid, "VmRSS:");
            result.cpuSecondsShown = ReadCpuSeconds(pid);
            result.shown = true;
            window = event.xmap.window;
        }
    }

    if (window)
    {
        XSelectInput(display, window, PropertyChangeMask);
        std::string title = WindowTitle(display, window);
        result.runSeen = title.find(" - suche") != std::string::npos;
        const double runTimeout = bench::Quick() ? settleSeconds : kRunTimeout;
        double deadline = bench::Now() + (result.runSeen ? runTimeout : settleSeconds);
        while (NextEvent(display, event, deadline))
        {
            if (event.type != PropertyNotify || event.xproperty.window != window)
                continue;
            const std::string now = WindowTitle(display, window);
            if (now == title)
                continue;
            title = now;
            const bool searching = title.find(" - suche") != std::string::npos;
            if (searching && !result.runSeen)
            {
                result.runSeen = true;
                deadline = bench::Now() + runTimeout;
            }
            else if (!searching && result.runSeen)
            {
                result.runDoneSeconds = bench::Now() - start;
                break;
            }
        }
        if (afterSeconds > 0)
            ::usleep(static_cast<useconds_t>(afterSeconds * 1e6));
        result.hwmKbEnd = ReadHwmKb(pid);
        result.rssKbEnd = ReadStatusKb(pid, "VmRSS:");
        result.cpuSecondsEnd = ReadCpuSeconds(pid);
    }
    XSelectInput(display, root, NoEventMask);

    ::kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
        ::usleep(10000);
    if (::waitpid(pid, &status, WNOHANG) == 0)
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    return result;
}

// Titles of the local site's broadcasts, for realistic criteria.
std::vector<std::string> SiteTitles()
{
    std::vector<std::string> titles;
    std::ifstream data(ListingsSite::ScriptPath().substr(0, ListingsSite::ScriptPath().rfind('/')) +
                       "/listings_data.tsv");
    std::string line;
    std::getline(data, line);
    while (std::getline(data, line))
    {
        std::vector<std::string> cells;
        std::string::size_type from = 0;
        for (int i = 0; i < 5; ++i)
        {
            const std::string::size_type tab = line.find('\t', from);
            cells.push_back(line.substr(from, tab == std::string::npos ? tab : tab - from));
            from = tab == std::string::npos ? line.size() : tab + 1;
        }
        if (std::find(titles.begin(), titles.end(), cells[4]) == titles.end())
            titles.push_back(cells[4]);
    }
    return titles;
}

// The files of a user with the given number of criteria (50 by default), a
// full result list and a full reference file, the listings host set to the
// local site. Criteria come from the site's titles, or are numbered ones.
void PrepareHome(const std::string& dir, const std::string& host, int criteria = kCriteria,
                 bool siteTitles = true)
{
    {
        wxFileConfig config(wxEmptyString, wxEmptyString, wxString(dir + "/.velunda"),
                            wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
        config.SetExpandEnvVars(false);
        const std::vector<std::string> titles =
            siteTitles ? SiteTitles() : std::vector<std::string>();
        config.Write(wxT("Aanz"), static_cast<long>(criteria));
        for (int i = 0; i < criteria; ++i)
        {
            const std::string title =
                titles.empty() ? "Titel " + std::to_string(i) : titles[i % titles.size()];
            const std::string criterion =
                static_cast<std::size_t>(i) < titles.size() ? title + "|" : "|" + title;
            config.Write(wxString::Format(wxT("Auswahl%d="), i), wxString::FromUTF8(criterion));
        }
        config.Write(wxT("Host"), wxString(host));
        config.Flush();
    }

    std::string known = "Version\nSortierung\n";
    const std::string lines = bench::ReferenceFileText(kResultRows);
    std::string::size_type from = 0;
    for (int i = 0; i < kResultRows; ++i)
    {
        const std::string::size_type lf = lines.find('\n', from);
        known += lines.substr(from, lf - from) + "\n";
        known += "127.0.0.1/sendung/" + std::to_string(1000 + i) + ".html\n";
        from = lf + 1;
    }
    WriteFileBytes(dir + "/refn.txt", known);
    WriteFileBytes(dir + "/TVmov.ref", bench::ReferenceFileText(1001));
}

std::string g_program = VELUNDA_PROGRAM;

// velunda-suche in dir (also its HOME): its whole run from process start to
// its end, and its peak resident memory. False when it did not end with 0.
bool RunWindowless(const std::string& dir, double& seconds, double& peakMb)
{
    const double start = bench::Now();
    const pid_t pid = StartIn(VELUNDA_SUCHE_PROGRAM, dir);
    int status = 0;
    struct rusage usage
    {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return false;
    seconds = bench::Now() - start;
    peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Display* OpenDisplay()
{
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

// Each iteration launches the program and then the empty toolkit window, so
// both see the same load.
void BM_Startup(benchmark::State& state)
{
    Display* display = OpenDisplay();
    static ListingsSite site;
    if (!site.Ok())
    {
        bench::Fail(state, "the local listings site did not start");
        return;
    }
    TempWorkDir dir;
    const double settle = bench::Quick() ? 0.2 : 1.5;
    const std::string program = g_program;
    const std::string empty = EMPTY_FRAME_PROGRAM;
    const std::string emptyTitle = "Leerer Rahmen";

    // One launch of each first, not counted: the first toolkit client after
    // the X server has reset (it does when its last client goes) peaks some
    // 50 MB higher than every later one, which a desktop session never sees.
    if (!bench::Quick())
    {
        PrepareHome(dir.Path(), site.Host());
        LaunchOnce(display, program, dir.Path(), "Velunda", settle);
        LaunchOnce(display, empty, dir.Path(), emptyTitle, settle);
    }

    bench::Pairs pairs;
    std::vector<double> peakShown, peakEnd, emptyShown, emptyEnd, runDone;
    for (auto _ : state)
    {
        PrepareHome(dir.Path(), site.Host());
        const Launch launch = LaunchOnce(display, program, dir.Path(), "Velunda", settle);
        const Launch baseline = LaunchOnce(display, empty, dir.Path(), emptyTitle, settle);
        if (!launch.shown || !baseline.shown)
        {
            bench::Fail(state, "a window was not shown in time");
            break;
        }
        state.SetIterationTime(launch.shownSeconds);
        pairs.Add(launch.shownSeconds, baseline.shownSeconds);
        peakShown.push_back(static_cast<double>(launch.hwmKbShown) / 1024.0);
        peakEnd.push_back(static_cast<double>(launch.hwmKbEnd) / 1024.0);
        emptyShown.push_back(static_cast<double>(baseline.hwmKbShown) / 1024.0);
        emptyEnd.push_back(static_cast<double>(baseline.hwmKbEnd) / 1024.0);
        runDone.push_back(launch.runDoneSeconds > 0 ? launch.runDoneSeconds * 1000.0 : -1.0);
    }
    pairs.Report(state, "empty");
    state.counters["peak_MB_shown"] = bench::Median(peakShown);
    state.counters["peak_MB_end"] = bench::Median(peakEnd);
    state.counters["empty_peak_MB_shown"] = bench::Median(emptyShown);
    state.counters["empty_peak_MB_end"] = bench::Median(emptyEnd);
    state.counters["first_run_done_ms"] = bench::Median(runDone);
}

// The program with state.range(0) criteria, each answered with 3 rows (all
// new) on one page and an empty second page, and a 1001-line reference file.
// Each iteration launches it and then the empty window; memory is read 0.5 s
// after the run (the title's change) or after the empty window settled.
// The iteration time is the run: from 1 s after the window was mapped (the
// start delay, which began shortly before the mapping, so short runs count
// as 0) to the title's change; done_ms is that change after process start,
// and cpu_ms the program's processor time from the window's mapping to the
// memory reading (the run, without the start-up).
void BM_RunMemory(benchmark::State& state)
{
    Display* display = OpenDisplay();
    static ListingsSite site({"--mode", "many-rows", "--rows", "3"});
    if (!site.Ok())
    {
        bench::Fail(state, "the local listings site did not start");
        return;
    }
    const int criteria = static_cast<int>(state.range(0));
    TempWorkDir dir;
    const double settle = bench::Quick() ? 0.2 : 1.5;
    const double after = bench::Quick() ? 0.1 : 0.5;
    const std::string empty = EMPTY_FRAME_PROGRAM;
    static bool warmed = false;
    if (!warmed && !bench::Quick())
    {
        PrepareHome(dir.Path(), site.Host(), 4, false);
        LaunchOnce(display, g_program, dir.Path(), "Velunda", settle, after);
        LaunchOnce(display, empty, dir.Path(), "Leerer Rahmen", settle, after);
        warmed = true;
    }

    std::vector<double> shown, peak, rss, emptyPeak, emptyRss, done, cpu, windowRun, suche,
        suchePeak;
    for (auto _ : state)
    {
        PrepareHome(dir.Path(), site.Host(), criteria, false);
        const Launch launch = LaunchOnce(display, g_program, dir.Path(), "Velunda", settle, after);
        const Launch baseline =
            LaunchOnce(display, empty, dir.Path(), "Leerer Rahmen", settle, after);
        if (!launch.shown || !baseline.shown || (!bench::Quick() && launch.runDoneSeconds < 0))
        {
            bench::Fail(state, "a window was not shown, or the run did not end, in time");
            break;
        }
        // The same run without a window, from the same files.
        PrepareHome(dir.Path(), site.Host(), criteria, false);
        double sucheSeconds = 0;
        double sucheMb = 0;
        if (!RunWindowless(dir.Path(), sucheSeconds, sucheMb))
        {
            bench::Fail(state, "velunda-suche failed");
            break;
        }
        suche.push_back(sucheSeconds * 1000.0);
        suchePeak.push_back(sucheMb);
        const double run = std::max(0.0, launch.runDoneSeconds - launch.shownSeconds - 1.0);
        // The window from its process start to the end of its run, without
        // the one second it waits before the run on purpose: the span that
        // velunda-suche's whole process stands for.
        windowRun.push_back((launch.runDoneSeconds - 1.0) * 1000.0);
        state.SetIterationTime(run);
        done.push_back(launch.runDoneSeconds * 1000.0);
        cpu.push_back((launch.cpuSecondsEnd - launch.cpuSecondsShown) * 1000.0);
        shown.push_back(static_cast<double>(launch.rssKbShown) / 1024.0);
        peak.push_back(static_cast<double>(launch.hwmKbEnd) / 1024.0);
        rss.push_back(static_cast<double>(launch.rssKbEnd) / 1024.0);
        emptyPeak.push_back(static_cast<double>(baseline.hwmKbEnd) / 1024.0);
        emptyRss.push_back(static_cast<double>(baseline.rssKbEnd) / 1024.0);
    }
    state.counters["criteria"] = criteria;
    state.counters["done_ms"] = bench::Median(done);
    state.counters["cpu_ms"] = bench::Median(cpu);
    state.counters["rss_MB_shown"] = bench::Median(shown);
    state.counters["peak_MB"] = bench::Median(peak);
    state.counters["rss_MB_after"] = bench::Median(rss);
    state.counters["empty_peak_MB"] = bench::Median(emptyPeak);
    state.counters["empty_rss_MB"] = bench::Median(emptyRss);
    state.counters["window_run_ms"] = bench::Median(windowRun);
    state.counters["suche_ms"] = bench::Median(suche);
    state.counters["suche_peak_MB"] = bench::Median(suchePeak);
}

void Register()
{
    benchmark::RegisterBenchmark("BM_Startup", BM_Startup)
        ->Iterations(bench::Quick() ? 1 : 5)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    auto* memory = benchmark::RegisterBenchmark("BM_RunMemory", BM_RunMemory);
    if (bench::Quick())
        memory->Arg(4);
    else
        memory->Arg(4)->Arg(50)->Arg(200)->Arg(1000)->Arg(2000);
    memory->Iterations(bench::Quick() ? 1 : 3)->UseManualTime()->Unit(benchmark::kMillisecond);
}
} // namespace

// --program=PATH measures another build of the program. Without an X
// display the program ends with status 77 (the smoke test counts that as
// skipped).
int main(int argc, char** argv)
{
    if (!OpenDisplay())
    {
        std::fprintf(stderr, "bench_startup: no X display; run it under xvfb-run\n");
        return 77;
    }
    // The settings files are written through the toolkit's file store.
    wxInitializer toolkit;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--program=", 10) == 0)
            g_program = argv[i] + 10;
        else
            args.push_back(argv[i]);
    }
    return bench::Main(static_cast<int>(args.size()), args.data(), Register);
}
