#include "search/DiskSearch.h"

#include "search/FileSystem.h"
#include "ui/Services.h"
#include "ui/Texts.h"

bool SearchFound = false;

namespace {

constexpr DWORD kDirectoriesOnly = FILE_ATTRIBUTE_DIRECTORY;

// Reports into the results box and the status bar of the main window.
class WindowReport final : public SearchReport {
  public:
    void AddResult(const Text& path) override { AppendEditText(Control::编辑框2, path); }
    void ShowStatus(const Text& status) override { SetStatusText(status); }
};

bool IsDotName(const Text& entry) {
    return CompareText(LeftText(entry, 1), ".") == 0;
}

// What every level of one search shares.
struct Search {
    const Text& name;
    SearchReport& report;
    Check check;
    bool listingCanAnswer;
};

// The next entry that the scan would not skip: dot names do nothing but fetch the next one.
Text SkipDotNames(DirectoryFinder& finder, Text entry) {
    while (!entry.empty() && IsDotName(entry))
        entry = finder.FindNext(kDirectoriesOnly);
    return entry;
}

// Tests subdirectory for the name; on a miss leaves finder on its listing, at entry.
bool HoldsName(const Search& search, const Text& subdirectory, DirectoryFinder& finder,
               Text& entry) {
    const Text candidate = JoinText(subdirectory, search.name);
    const Text pattern = JoinText(subdirectory, "*.*");
    if (search.check == Check::Plain) {
        if (PathExists(candidate))
            return true;
        entry = finder.FindFirst(pattern, kDirectoriesOnly);
        return false;
    }
    if (search.listingCanAnswer)
        finder.WatchFor(search.name);
    entry = SkipDotNames(finder, finder.FindFirst(pattern, kDirectoriesOnly));
    finder.StopWatching();
    // A listing that ended before any subdirectory has shown every entry of this directory.
    if (search.listingCanAnswer && entry.empty() && finder.RanToEnd() && !finder.SawPossibleMatch())
        return false;
    return QuickPathExists(candidate);
}

void ScanLevel(const Search& search, const Text& directory, DirectoryFinder& finder, Text entry) {
    while (!entry.empty() && !SearchFound) {
        if (!IsDotName(entry)) {
            const Text subdirectory = JoinText(directory, entry, "\\");
            DirectoryFinder inner;
            Text innerEntry;
            if (HoldsName(search, subdirectory, inner, innerEntry)) {
                search.report.AddResult(JoinText(subdirectory, search.name));
                SearchFound = true;
                continue;
            }
            ScanLevel(search, subdirectory, inner, innerEntry);
            search.report.ShowStatus(JoinText(directory, entry));
        }
        entry = finder.FindNext(kDirectoriesOnly);
    }
    search.report.ShowStatus(SearchFound ? texts::kFound : texts::kNotFound);
    finder.Close();
}

Search MakeSearch(const Text& name, SearchReport& report, Check check) {
    return {name, report, check, check == Check::Quick && ListingCanAnswer(name)};
}

} // namespace

void ScanDirectory(const Text& directory, const Text& name, SearchReport& report, Check check) {
    DirectoryFinder finder;
    Text entry = finder.FindFirst(JoinText(directory, "*.*"), kDirectoriesOnly);
    ScanLevel(MakeSearch(name, report, check), directory, finder, entry);
}

void SearchDrives(const std::vector<Text>& roots, const Text& name, SearchReport& report,
                  Check check) {
    const auto exists = check == Check::Plain ? PathExists : QuickPathExists;
    for (const Text& root : roots) {
        if (Text atRoot = JoinText(root, name); exists(atRoot)) {
            report.AddResult(atRoot);
            report.ShowStatus(texts::kFound);
            break;
        }
        ScanDirectory(root, name, report, check);
        if (SearchFound)
            break;
    }
    SearchFound = false;
}

void StartSearch() {
    ShowMessage(texts::kSearchWarning);
    SetControlText(Control::编辑框2, "");
    const Text name = GetControlText(Control::编辑框1);
    if (CompareText(name, "") == 0) {
        ShowMessage(texts::kNameMissing, kErrorIcon);
        return;
    }
    BeginWaitCursor();
    WindowReport report;
    SearchDrives(ListLogicalDrives(), name, report);
    EndWaitCursor();
}
