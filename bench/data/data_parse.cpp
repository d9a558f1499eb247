// Parsing speed of result text: a 10 MB reply shaped like the lesson query
// (numbers with their alignment, dates, times, texts with escapes, NULLs)
// read with OpenFromText, against Python's ast.literal_eval on the same text.
//
//   data_parse [MEGABYTES]        (default 10)
//
// Prints the size, the best of five parses in MB/s, Python's time and the ratio.
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "data/IsectRecordset.h"

using namespace FX;

namespace {

// The worker's result text for `rows` lesson-like rows.
std::string makeReply(size_t bytes) {
    std::string text =
        "[[{'name':'ID','type':'i','null':0,'width':4},{'name':'LESSONNAME','type':'s','null':1,'width':140},"
        "{'name':'LESSONINTRO','type':'s','null':1,'width':4400},{'name':'LESSONDEV','type':'s','null':1,"
        "'width':4400},{'name':'LESSONEVAL','type':'i','null':1,'width':4},{'name':'DATESTART','type':'d',"
        "'null':1,'width':4},{'name':'TIMESTART','type':'d','null':1,'width':4},{'name':'RESOURCE','type':'s',"
        "'null':1,'width':4400},{'name':'COST','type':'i','null':1,'width':8}],\n[";
    char row[1024];
    for (long i = 1; text.size() < bytes; ++i) {
        snprintf(row, sizeof row,
                 "%s[%11ld,'Fractions %ld\\054 group %ld','Warm up: count in halves\\054 then quarters.\\012Show "
                 "the fraction wall\\054 ask what\\047s the same.','Fold paper strips; label each part. Compare "
                 "halves and quarters with a partner\\054 then record in books.',%11d,'2014-%02ld-%02ld',"
                 "'%02ld:%02ld:00.0000',%s,%21ld.%02ld]",
                 i == 1 ? "" : ",\n", i, i, i % 7, (int)(i % 3) - 1, 1 + i % 12, 1 + i % 28, 8 + i % 7, (i * 5) % 60,
                 i % 5 ? "'Paper strips\\054 scissors'" : "None", i * 3, i % 100);
        text += row;
    }
    text += "]]\n";
    return text;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of this process: steadier than the clock on a shared machine.
double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Python's ast.literal_eval on the same text, timed inside Python.
double pythonSeconds(const std::string& text, double& cpu) {
    char path[] = "/tmp/plenwick-bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return -1;
    FILE* f = fdopen(fd, "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    std::string command = std::string(
                              "python3 -c \"import ast,sys,time\n"
                              "t=open(sys.argv[1]).read()\n"
                              "s=time.perf_counter(); c=time.process_time(); v=ast.literal_eval(t)\n"
                              "print(time.perf_counter()-s, time.process_time()-c, len(v[1]))\" ") +
                          path;
    FILE* p = popen(command.c_str(), "r");
    double result = -1;
    long rows = 0;
    if (p) {
        if (fscanf(p, "%lf %lf %ld", &result, &cpu, &rows) != 3) result = -1;
        pclose(p);
    }
    unlink(path);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    double megabytes = argc > 1 ? atof(argv[1]) : 10;
    std::string text = makeReply((size_t)(megabytes * 1e6));
    FXString reply(text.data(), (FXint)text.size());
    double mb = text.size() / 1e6;

    double best = 1e9, bestCpu = 1e9;
    FXlong records = 0;
    for (int round = 0; round < 5; ++round) {
        IsectRecordset rs;
        double cpu = cpuSeconds();
        auto start = std::chrono::steady_clock::now();
        rs.OpenFromText(reply);
        auto end = std::chrono::steady_clock::now();
        bestCpu = std::min(bestCpu, cpuSeconds() - cpu);
        best = std::min(best, seconds(end - start));
        records = rs.recordCount;
    }
    printf("result text          %.1f MB, %lld rows of %d columns\n", mb, (long long)records, 9);
    printf("OpenFromText         %.3f s   %.0f MB/s wall, %.0f MB/s CPU (best of 5)\n", best, mb / best, mb / bestCpu);
    double pythonCpu = 0;
    double python = pythonSeconds(text, pythonCpu);
    if (python > 0) {
        printf("ast.literal_eval     %.3f s   %.1f MB/s wall, %.1f MB/s CPU\n", python, mb / python, mb / pythonCpu);
        printf("speed-up             %.1fx wall, %.1fx CPU\n", python / best, pythonCpu / bestCpu);
    } else {
        printf("ast.literal_eval     not available\n");
    }
    return 0;
}
