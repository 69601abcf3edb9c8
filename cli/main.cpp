// korvex-scan: the command-line twin of the Korvex window.
#include "CommandLine.h"
#include "PathMappingStore.h"
#include "SignalStop.h"
#include "UiLanguage.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    std::string currentFolder;
    if (char* cwd = ::getcwd(nullptr, 0)) {
        currentFolder = cwd;
        ::free(cwd);
    } else if (const char* pwd = ::getenv("PWD")) {
        currentFolder = pwd;
    }
    std::ios::sync_with_stdio(false);
    // The window's language (the user's first one with a catalogue, else English), for the
    // report, its date and every message.
    korvex::UiLanguage::chooseForUser();
    // The same path mappings the window's Preferences keep; --map adds to them.
    // Ctrl-C and SIGTERM stop the scan after the alias at hand; the report of what was done is
    // printed and the status tells which signal it was.
    // The handler itself raises the stop, so no write starts after the signal; a thread of
    // SignalStop wakes what waits. Without that thread, nothing may wait: no helper threads.
    korvex::SignalStop signals;
    korvex::CommandLine commandLine({currentFolder, ::isatty(STDERR_FILENO) == 1, nullptr,
                                     korvex::PathMappingStore().load().mappings, signals.stop(),
                                     std::string(), !signals.active() || signals.wakesWaits(),
                                     &korvex::UiLanguage::catalog()});
    const int status =
        commandLine.run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    return status == korvex::CommandLine::interrupted ? signals.exitStatus() : status;
}
