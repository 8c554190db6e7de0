// The command line of velunda-suche.
#pragma once

#include <string>
#include <vector>

struct SucheOptions
{
    enum class Action
    {
        Run,
        Help,
        Version,
        Wrong
    };
    Action action = Action::Run;
    // The working folder (-C); empty for the current one.
    std::string folder;
    bool notify = false;
    // The guides of --xmltv, in order, instead of the settings' sources.
    std::vector<std::string> guides;
    // What was wrong with the command line, for Action::Wrong.
    std::string problem;
};

// Reads "[-C ORDNER] [--notify] [--xmltv QUELLE]...", "--help" or "--version".
SucheOptions ReadCommandLine(int argc, char** argv);

// The German usage text, ending in a line feed.
const char* UsageText();
