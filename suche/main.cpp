// velunda-suche: one search run without a window, for cron or a session
// timer. See UsageText() for the command line.
#include "command_line.h"
#include "failure_streak.h"
#include "unattended_run.h"
#include "velunda_version.h"

#include <cstdio>

#include <wx/init.h>

int main(int argc, char** argv)
{
    const SucheOptions options = ReadCommandLine(argc, argv);
    switch (options.action)
    {
    case SucheOptions::Action::Help:
        std::fputs(UsageText(), stdout);
        return kSucheOk;
    case SucheOptions::Action::Version:
        std::puts("velunda-suche (Velunda) " VELUNDA_VERSION);
        return kSucheOk;
    case SucheOptions::Action::Wrong:
        SayOnStderr(options.problem);
        std::fputs(UsageText(), stderr);
        return kSucheCannotRun;
    case SucheOptions::Action::Run:
        break;
    }
    wxInitializer toolkit;
    if (!toolkit.IsOk())
    {
        SayOnStderr("wxWidgets lässt sich nicht starten.");
        return kSucheCannotRun;
    }
    const std::string dataFolder = AbsoluteFolder(options.folder);
    const int status = RunUnattended(options);
    if (options.notify)
        CountInStreak(dataFolder, status);
    return status;
}
