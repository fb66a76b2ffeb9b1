// Parsing the command line of ostrivans-host.
#include "app/HostOptions.h"

const char* const kHostUsage =
    "usage: ostrivans-host [--gui [--exit]] [--plugins DIR] [--ini FILE] [-e TEXT] [SCRIPT.ms ...]\n"
    "  --gui          open the host's main window (listener panel and script line); texts and scripts run\n"
    "                 in its listener, and the program ends when the window is closed\n"
    "  --exit         with --gui, end once the texts and scripts have run\n"
    "  --plugins DIR  load the plug-in modules of DIR (default: the plugins folder beside the program)\n"
    "  --ini FILE     the host's settings file (default: ostrivans.ini in the user's settings folder)\n"
    "  -e TEXT        run TEXT as a script; -e and scripts run in command-line order\n"
    "With nothing to run, an interactive listener starts when standard input is a terminal; otherwise\n"
    "standard input is run as a script.\n";

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--plugins") {
            if (!value(out.pluginDir)) return false;
        } else if (a == "--ini") {
            if (!value(out.iniFile)) return false;
        } else if (a == "-e") {
            HostOptions::Item item{true, {}};
            if (!value(item.value)) return false;
            out.run.push_back(item);
        } else if (a == "--gui") {
            out.gui = true;
        } else if (a == "--exit") {
            out.exit = true;
        } else if (a == "-h" || a == "--help") {
            out.help = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            out.run.push_back({false, a});
        }
    }
    if (out.exit && !out.gui) {
        error = "--exit needs --gui";
        return false;
    }
    return true;
}
