// Runs a part of a test in a time zone of its own (TZ, for the C library's
// local time), the previous zone back when the object goes.
//
//   testsupport::LocalZone zone("Pacific/Auckland");
//   ASSERT_TRUE(zone.available());        // tzdata installed
#ifndef PLENWICK_LOCAL_ZONE_H
#define PLENWICK_LOCAL_ZONE_H

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace testsupport {

class LocalZone {
public:
    explicit LocalZone(const char* zone) {
        available_ = access((std::string("/usr/share/zoneinfo/") + zone).c_str(), R_OK) == 0;
        const char* tz = getenv("TZ");
        hadZone_ = tz != nullptr;
        if (tz) saved_ = tz;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~LocalZone() {
        if (hadZone_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;
    // False when the zone's file is missing (scripts/setup installs tzdata).
    bool available() const { return available_; }

private:
    bool available_ = false, hadZone_ = false;
    std::string saved_;
};

}  // namespace testsupport

#endif
