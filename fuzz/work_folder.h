// Shared by the fuzz targets: a private working folder.
//
// The code under test reads and writes files by relative name, so each
// target runs in a fresh folder of its own (in memory where the system has
// /dev/shm). File and folder arguments of the fuzzer given relative to the
// folder it was started in are made absolute first, as libFuzzer reads them
// only after this set-up.
#pragma once

#include "temp_folder.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

inline void EnterWorkFolder(int* argc, char*** argv)
{
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr)
        std::abort();
    const std::string base = std::string(here) + "/";

    // Kept for the life of the process: libFuzzer holds on to argv.
    static std::vector<std::string> arguments;
    static std::vector<char*> pointers;
    arguments.assign(*argv, *argv + *argc);
    for (std::size_t i = 1; i < arguments.size(); ++i)
    {
        std::string& argument = arguments[i];
        if (argument.empty())
            continue;
        if (argument[0] != '-' && argument[0] != '/')
            argument.insert(0, base);
        else
        {
            for (const char* option :
                 {"-artifact_prefix=", "-exact_artifact_path=", "-dict=", "-seed_inputs="})
            {
                const std::size_t length = std::strlen(option);
                if (argument.compare(0, length, option) == 0 && argument.size() > length &&
                    argument[length] != '/')
                    argument.insert(length, base);
            }
        }
    }
    pointers.clear();
    for (std::string& argument : arguments)
        pointers.push_back(&argument[0]);
    pointers.push_back(nullptr);
    *argv = pointers.data();

    // Removed when the process ends.
    static const TempWorkDir folder(true, access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "");
}
