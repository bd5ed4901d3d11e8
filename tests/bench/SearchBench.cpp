// Benchmark of the disk search, run by tests/bench/run-bench.sh.
//
//   SearchBench time ROOT ROUNDS   times, interleaved over ROUNDS rounds: a bare recursive
//                                  FindFirstFileA/FindNextFileA walk of ROOT, the program's search
//                                  engine on a name that is nowhere, the plain engine on the same
//                                  name, and "cmd /c dir /s /b ROOT"; prints a table of medians.
//   SearchBench memory ROOT        one miss-search with each engine; prints the deepest level, the
//                                  peak of the program's own heap and of the process heap.
#include "search/DiskSearch.h"
#include "search/FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// Live bytes of operator new, and their peak: what the engine itself keeps on the heap.
size_t liveBytes = 0;
size_t peakLiveBytes = 0;

constexpr char kMissingName[] = "no-such-file.bench";

// Keeps what the window would show, at the cost of a copy per call.
class CountingReport final : public SearchReport {
  public:
    void AddResult(const Text& path) override { results += path; }
    void ShowStatus(const Text& status) override {
        ++statuses;
        lastStatus = status;
    }

    Text results;
    Text lastStatus;
    unsigned long statuses = 0;
};

// Also follows the deepest level and samples the process heap at every status.
class MemoryReport final : public SearchReport {
  public:
    void AddResult(const Text&) override {}
    void ShowStatus(const Text& status) override {
        deepest =
            std::max(deepest, static_cast<int>(std::count(status.begin(), status.end(), '\\')));
        peakProcessHeap = std::max(peakProcessHeap, ProcessHeapInUse());
    }

    static size_t ProcessHeapInUse() {
        const HANDLE heap = GetProcessHeap();
        size_t used = 0;
        PROCESS_HEAP_ENTRY entry{};
        HeapLock(heap);
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                used += entry.cbData;
        }
        HeapUnlock(heap);
        return used;
    }

    int deepest = 0;
    size_t peakProcessHeap = 0;
};

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return static_cast<double>(value.QuadPart) / frequency;
}

// The floor any search pays: one listing per directory, the handle of each level kept open while
// its subdirectories are walked, dot names skipped as the search skips them.
unsigned long WalkBare(const Text& directory) {
    WIN32_FIND_DATAA data;
    OwnedFind find(FindFirstFileA(JoinText(directory, "*.*").c_str(), &data));
    unsigned long directories = 1;
    if (!find)
        return directories;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.cFileName[0] != '.')
            directories += WalkBare(JoinText(directory, data.cFileName, "\\"));
    } while (FindNextFileA(find.get(), &data));
    return directories;
}

bool RunPeer(const Text& root) {
    char systemFolder[MAX_PATH];
    GetSystemDirectoryA(systemFolder, MAX_PATH);
    const Text shell = JoinText(systemFolder, "\\cmd.exe");
    Text commandLine = JoinText("cmd /c dir /s /b ", root, " >NUL");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(shell.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// The shell's process is signalled before Wine has finished tearing it down; the wineserver,
// which every listing goes through, stays busy for a while. Let that pass outside the clock.
void SettleAfterPeer() {
    Sleep(1000);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Contender {
    const char* label;
    bool (*run)(const Text& root, CountingReport& report);
    std::vector<double> seconds;
    CountingReport lastReport;
};

bool RunBare(const Text& root, CountingReport& report) {
    report.statuses = WalkBare(root);
    return true;
}

bool RunQuick(const Text& root, CountingReport& report) {
    SearchDrives({root}, kMissingName, report);
    return true;
}

bool RunPlain(const Text& root, CountingReport& report) {
    SearchDrives({root}, kMissingName, report, Check::Plain);
    return true;
}

bool RunCmd(const Text& root, CountingReport&) {
    return RunPeer(root);
}

int TimeAll(const Text& root, int rounds) {
    Contender contenders[] = {
        {"bare FindFirstFileA/FindNextFileA walk", RunBare, {}, {}},
        {"program's engine (miss)", RunQuick, {}, {}},
        {"plain engine, one FindFirstFileA test per directory (miss)", RunPlain, {}, {}},
        {"cmd /c dir /s /b (peer)", RunCmd, {}, {}},
    };
    constexpr int kContenders = sizeof contenders / sizeof contenders[0];

    CountingReport warmUp;
    const unsigned long directories = WalkBare(root);
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with another contender, so none always runs on the coldest cache.
        for (int step = 0; step < kContenders; ++step) {
            Contender& contender = contenders[(round + step) % kContenders];
            CountingReport report;
            const double start = Now();
            if (!contender.run(root, report)) {
                std::fprintf(stderr, "%s failed\n", contender.label);
                return 1;
            }
            contender.seconds.push_back(Now() - start);
            if (contender.run == RunCmd)
                SettleAfterPeer();
            contender.lastReport = report;
        }
        std::fprintf(stderr, "round %d of %d, ms:", round + 1, rounds);
        for (const Contender& contender : contenders)
            std::fprintf(stderr, " %.0f", contender.seconds.back() * 1e3);
        std::fprintf(stderr, "\n");
    }

    const CountingReport& quick = contenders[1].lastReport;
    const CountingReport& plain = contenders[2].lastReport;
    if (quick.results != plain.results || quick.statuses != plain.statuses ||
        quick.lastStatus != plain.lastStatus || !quick.results.empty()) {
        std::fprintf(stderr, "the engines disagree: %lu and %lu statuses\n", quick.statuses,
                     plain.statuses);
        return 1;
    }

    const double bare = Median(contenders[0].seconds);
    std::printf("%lu directories below %s, %d rounds; medians:\n\n", directories, root.c_str(),
                rounds);
    std::printf("| run | median ms | us per directory | ratio to bare walk |\n");
    std::printf("|---|---:|---:|---:|\n");
    for (const Contender& contender : contenders) {
        const double median = Median(contender.seconds);
        std::printf("| %s | %.0f | %.1f | %.2f |\n", contender.label, median * 1e3,
                    median * 1e6 / directories, median / bare);
    }
    return 0;
}

// The cost of each call the engines make, repeated on one directory below root.
int TimeCalls(const Text& root) {
    constexpr int kRepeats = 2000;
    const Text directory = JoinText(root, "dir0\\");
    const Text missing = JoinText(directory, kMissingName);
    const Text present = JoinText(directory, "dir0");
    struct Call {
        const char* label;
        void (*run)(const Text& path);
        const Text& path;
    } calls[] = {
        {"GetFileAttributesA, missing name",
         [](const Text& path) { GetFileAttributesA(path.c_str()); }, missing},
        {"GetFileAttributesA, present name",
         [](const Text& path) { GetFileAttributesA(path.c_str()); }, present},
        {"FindFirstFileA + FindClose, missing name", [](const Text& path) { PathExists(path); },
         missing},
        {"FindFirstFileA + FindClose, present name", [](const Text& path) { PathExists(path); },
         present},
        {"QuickPathExists, missing name", [](const Text& path) { QuickPathExists(path); }, missing},
        {"listing of *.* to its end",
         [](const Text& path) {
             DirectoryFinder finder;
             for (Text entry = finder.FindFirst(path, 0x37); !entry.empty();
                  entry = finder.FindNext(0x37)) {
             }
         },
         JoinText(directory, "*.*")},
    };
    std::printf("| call (on %s) | us per call |\n|---|---:|\n", directory.c_str());
    for (const Call& call : calls) {
        const double start = Now();
        for (int i = 0; i < kRepeats; ++i)
            call.run(call.path);
        std::printf("| %s | %.1f |\n", call.label, (Now() - start) * 1e6 / kRepeats);
    }
    return 0;
}

int MeasureMemory(const Text& root) {
    struct Engine {
        const char* label;
        Check check;
    } engines[] = {{"program's engine", Check::Quick}, {"plain engine", Check::Plain}};
    for (const Engine& engine : engines) {
        MemoryReport report;
        const size_t heapBefore = MemoryReport::ProcessHeapInUse();
        const size_t liveBefore = liveBytes;
        peakLiveBytes = liveBytes;
        SearchDrives({root}, kMissingName, report, engine.check);
        std::printf("%s: deepest level %d, own heap peak %zu bytes, process heap peak +%zd bytes\n",
                    engine.label, report.deepest, peakLiveBytes - liveBefore,
                    static_cast<ptrdiff_t>(report.peakProcessHeap) -
                        static_cast<ptrdiff_t>(heapBefore));
    }
    return 0;
}

} // namespace

void* operator new(size_t size) {
    // A header in front of each block keeps its size for the delete; 16 keeps the alignment.
    auto* block = static_cast<size_t*>(std::malloc(size + 16));
    if (!block)
        throw std::bad_alloc();
    *block = size;
    liveBytes += size;
    peakLiveBytes = std::max(peakLiveBytes, liveBytes);
    return reinterpret_cast<char*>(block) + 16;
}

void operator delete(void* pointer) noexcept {
    if (!pointer)
        return;
    auto* block = reinterpret_cast<size_t*>(static_cast<char*>(pointer) - 16);
    liveBytes -= *block;
    std::free(block);
}

void operator delete(void* pointer, size_t) noexcept {
    operator delete(pointer);
}

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "time") == 0)
        return TimeAll(argv[2], argc >= 4 ? std::atoi(argv[3]) : 5);
    if (argc >= 3 && std::strcmp(argv[1], "calls") == 0)
        return TimeCalls(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "memory") == 0)
        return MeasureMemory(argv[2]);
    std::fprintf(stderr, "usage: SearchBench time ROOT [ROUNDS] | SearchBench memory ROOT\n");
    return 2;
}
