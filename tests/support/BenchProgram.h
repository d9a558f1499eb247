// What the in-process GUI benchmarks share: milliseconds and medians, and
// the start of Plenwick's application on a Services' database (a HOME of its
// own below the services' directory, the working directory that holds
// Plenwick.ini, prompts counted and never shown, the shared fonts and
// cursors, logged in to the middleware).
//
//   testsupport::Services services(options);
//   testsupport::BenchProgram program(services, argc, argv);
//   Clock::time_point start = Clock::now(); ...; times.push_back(testsupport::msSince(start));
#ifndef PLENWICK_BENCH_PROGRAM_H
#define PLENWICK_BENCH_PROGRAM_H

#include <fx.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "support/Services.h"
#include "support/SilentPrompter.h"
#include "ui/AppResources.h"
#include "ui/Prompter.h"

namespace testsupport {

using BenchClock = std::chrono::steady_clock;

inline double msSince(BenchClock::time_point start) {
    return std::chrono::duration<double, std::milli>(BenchClock::now() - start).count();
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class BenchProgram {
    // HOME (the FOX registry's place) below the services' directory; the
    // directory to work in.
    static const std::string& ownHome(const Services& services) {
        const std::string home = services.dir() + "/home";
        mkdir(home.c_str(), 0700);
        setenv("HOME", home.c_str(), 1);
        return services.workdir();
    }

public:
    ScopedChdir inWorkdir;
    SilentPrompter prompts;
    FX::FXApp app;

    BenchProgram(const Services& services, int& argc, char** argv)
        : inWorkdir(ownHome(services)), app("Plenwick", "Brellmoor") {
        dates::keepLocalZone();  // as the program's start does
        Prompter::install(&prompts);
        createResources(&app);
        app.init(argc, argv);
        app.create();
        createCursors(&app);
        IsectRecordset version;
        version.OpenRecordset("Select StringValue from Settings Where StringKey = 'Version'");
    }
    // The prompter goes, and the connection with it.
    void end() {
        Prompter::install(nullptr);
        IsectRecordset::Disconnect();
    }
    ~BenchProgram() { end(); }
    BenchProgram(const BenchProgram&) = delete;
    BenchProgram& operator=(const BenchProgram&) = delete;
};

}  // namespace testsupport

#endif
