// Times the history export of 65,535 calls (one full sheet) and its peak
// memory, beside Python's xlwt writing the same cells on the same machine.
// Our export reads its calls one at a time from a source that makes them,
// as the export of a whole result reads them from the history, so its peak
// is the export's own: it should stay the same whatever the number of calls.
//
//   bench_export [--calls N] [--keep DIR]
//
// Each writer runs in a child process of its own, so each peak is its own.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/Clock.h"
#include "base/LocalTime.h"
#include "data/Call.h"
#include "data/SetupRecord.h"
#include "reports/HistoryExport.h"

namespace
{
const Poco::LocalDateTime Start = *localDateTime(2024, 6, 1, 8, 0, 0);
const char *Zones[] = {"大厅", "Hall A", "Terrace", "包间 3"};
const char *Types[] = {"Waiter", "结账", "Water", "Menu"};
const char *Names[] = {"王小明", "Ann Lee", "Bob", "李华"};

CCall makeCall(int i)
{
    CCall call(Start);
    call.PagerNum = std::to_string(i % 500);
    call.PagerName = "Table " + std::to_string(i % 500);
    call.SevType = Types[i % 4];
    call.CallTime = Start + Poco::Timespan(i * 7, 0);
    call.ProcessTime = call.CallTime + Poco::Timespan(30 + i % 300, 0);
    call.SevStatus = i % 10 ? CCall::Answered : CCall::Open;
    call.SevTotalSeconds = Poco::Timespan(30 + i % 300, 0);
    call.Zone = Zones[i % 4];
    call.EmpName = Names[i % 4];
    call.Remark = i % 7 ? "" : "remark " + std::to_string(i);
    return call;
}

std::vector<CallPtr> makeCalls(int count)
{
    std::vector<CallPtr> calls;
    calls.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        calls.push_back(std::make_shared<CCall>(makeCall(i)));
    return calls;
}

long statusKb(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::string(field).size());
    return -1;
}

long fileSize(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? long(info.st_size) : -1;
}

int runOurs(int count, const std::string &path)
{
    const long before = statusKb("VmRSS:");
    const SetupRecord setup;
    const SystemClock clock;
    const HistoryExport exporter(setup, Lcid::Chinese, clock);
    const HistoryExport::CallSource source = [count](const std::function<bool(const CCall &)> &add, std::string &) {
        for (int i = 0; i < count; ++i)
            if (!add(makeCall(i)))
                break;
        return true;
    };
    const auto start = std::chrono::steady_clock::now();
    const ExportResult result = exporter.run(source, HistoryRowTexts::headers(Lcid::Chinese), path);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.ok) {
        std::cerr << "export failed: " << result.error << '\n';
        return 1;
    }
    std::printf("%.3f %ld %ld\n", seconds, before, statusKb("VmHWM:"));
    return 0;
}

// The cells the export writes, one per line, for the xlwt run.
std::size_t writeCells(int count, const std::string &path)
{
    const std::vector<CallPtr> calls = makeCalls(count);
    const SetupRecord setup;
    std::ofstream out(path);
    std::size_t textBytes = 0;
    const auto put = [&](std::size_t row, const HistoryRowTexts::Row &texts) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            out << row << '\t' << i + 1 << '\t' << 0 << '\t' << texts[i] << '\n';
            textBytes += texts[i].size();
        }
    };
    put(0, HistoryRowTexts::headers(Lcid::Chinese));
    for (std::size_t r = 0; r < calls.size(); ++r)
        put(r + 1, HistoryRowTexts::cells(*calls[r], setup, Lcid::Chinese));
    return textBytes;
}

struct ChildRun
{
    std::string output;
    long maxRssKb = -1;
};

ChildRun runChild(const std::vector<std::string> &argv)
{
    int pipeFds[2];
    ChildRun run;
    if (::pipe(pipeFds) != 0)
        return run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        std::_Exit(127);
    }
    ::close(pipeFds[1]);
    char buffer[256];
    ssize_t got = 0;
    while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        run.output.append(buffer, std::size_t(got));
    ::close(pipeFds[0]);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.maxRssKb = usage.ru_maxrss;
    return run;
}

std::string selfPath()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, std::size_t(n)) : std::string();
}
}

int main(int argc, char **argv)
{
    int count = 65535;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ours" && i + 2 < argc)
            return runOurs(std::atoi(argv[i + 1]), argv[i + 2]);
        if (arg == "--calls" && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (arg == "--keep" && i + 1 < argc)
            keep = argv[++i];
        else {
            std::cerr << "usage: bench_export [--calls N] [--keep DIR]\n";
            return 2;
        }
    }
    char pattern[] = "/tmp/calldesk-bench-XXXXXX";
    const std::string folder = keep.empty() ? std::string(::mkdtemp(pattern)) : keep;
    const std::string ours = folder + "/ours.xls";
    const std::string theirs = folder + "/xlwt.xls";
    const std::string cells = folder + "/cells.tsv";
    std::remove(ours.c_str());

    const ChildRun our = runChild({selfPath(), "--ours", std::to_string(count), ours});
    double ourSeconds = 0;
    long before = 0;
    long peak = 0;
    if (our.maxRssKb < 0 || std::sscanf(our.output.c_str(), "%lf %ld %ld", &ourSeconds, &before, &peak) != 3) {
        std::cerr << "our export failed\n";
        return 1;
    }
    const std::size_t textBytes = writeCells(count, cells);
    // xlwt writes one sheet only, which holds 65,535 calls.
    ChildRun xlwt;
    if (count <= int(HistoryExport::CallsPerSheet))
        xlwt = runChild({"/usr/bin/python3", CALLDESK_SOURCE_DIR "/bench/xlwt_export.py", cells, theirs});
    const double xlwtSeconds = xlwt.maxRssKb < 0 ? -1 : std::atof(xlwt.output.c_str());

    std::printf("calls: %d (%d cells)\n", count, (count + 1) * 9);
    std::printf("cell text, UTF-8: %.1f MB; our workbook file: %.1f MB\n", textBytes / 1e6, fileSize(ours) / 1e6);
    std::printf("ours: %.3f s; peak RSS %.1f MB, of which %.1f MB above the program before the export\n",
                ourSeconds, peak / 1024.0, (peak - before) / 1024.0);
    if (xlwtSeconds < 0)
        std::printf("xlwt: did not run (needs /usr/bin/python3 with xlwt, and at most 65,535 calls)\n");
    else
        std::printf("xlwt: %.3f s writing; peak RSS %.1f MB (interpreter and cell list included); file %.1f MB\n",
                    xlwtSeconds, xlwt.maxRssKb / 1024.0, fileSize(theirs) / 1e6);
    if (xlwtSeconds > 0)
        std::printf("speed-up: %.1fx\n", xlwtSeconds / ourSeconds);
    if (keep.empty()) {
        std::remove(ours.c_str());
        std::remove(theirs.c_str());
        std::remove(cells.c_str());
        ::rmdir(folder.c_str());
    }
    return 0;
}
