// The command line of ostrivans-host.
#pragma once

#include <string>
#include <vector>

struct HostOptions {
    // One thing to run, in command-line order: a -e text or a script file.
    struct Item {
        bool isText = false;
        std::string value;
    };
    std::string pluginDir; // empty: "plugins" beside the program
    std::string iniFile;   // empty: ostrivans.ini in the user's settings folder
    std::vector<Item> run;
    bool help = false;
    bool gui = false;  // open the main window; the texts and scripts run in its listener
    bool exit = false; // with --gui: end once the texts and scripts have run instead of waiting for the user
};

// Parses argv (without the program name). On a bad command line returns false with error set.
bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& out, std::string& error);

extern const char* const kHostUsage;
