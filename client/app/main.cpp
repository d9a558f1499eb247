// Plenwick: the lesson-planning client.
#include "app/Startup.h"

int main(int argc, char** argv) { return runPlenwick(argc, argv); }
