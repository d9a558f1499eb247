// The plan editor tests run against the database service alone.
#include "planedit/PlanEditTest.h"

int main(int argc, char** argv) { return planedit::runPlanEditTests(argc, argv, false); }
