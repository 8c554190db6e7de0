// One search run of velunda-suche: the same run as the window's "nur einmal
// suchen", with the result list merged and saved as the window saves it at
// its close, the new hits on standard output and the errors on standard
// error.
#pragma once

#include "command_line.h"

// Exit statuses of velunda-suche.
enum SucheStatus
{
    kSucheOk = 0,         // the run ended without errors
    kSucheRunErrors = 1,  // the run collected errors; the hits before them count
    kSucheCannotRun = 2,  // wrong command line, unusable folder, no criteria
    kSucheFolderHeld = 3, // another Velunda works in the folder
};

// Makes the run that options ask for; returns the exit status.
int RunUnattended(const SucheOptions& options);

// Writes "velunda-suche: " and the message (UTF-8) as one line to standard
// error.
void SayOnStderr(const std::string& message);
