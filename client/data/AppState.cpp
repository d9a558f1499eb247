#include "data/AppState.h"

using namespace FX;

FXString currentUserId;
FXString currentSyndicate;
FXlong dateOffset = 0;
FXint americanDate = 1;
FXint registryTarget = 1;
FXint schoolPeriod = 900;
FXint schoolTimes = 26;
FXint schoolHour = 8;
FXint schoolMinute = 45;
FXString softwareVersion("2.0.3");
FXString databaseService;
