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

} // namespace

void ScanDirectory(const Text& directory, const Text& name, SearchReport& report) {
    DirectoryFinder finder;
    Text entry = finder.FindFirst(JoinText(directory, "*.*"), kDirectoriesOnly);
    while (!entry.empty() && !SearchFound) {
        if (!IsDotName(entry)) {
            Text candidate = JoinText(directory, entry, "\\", name);
            if (PathExists(candidate)) {
                report.AddResult(candidate);
                SearchFound = true;
                continue;
            }
            ScanDirectory(JoinText(directory, entry, "\\"), name, report);
            report.ShowStatus(JoinText(directory, entry));
        }
        entry = finder.FindNext(kDirectoriesOnly);
    }
    report.ShowStatus(SearchFound ? texts::kFound : texts::kNotFound);
    finder.Close();
}

void SearchDrives(const std::vector<Text>& roots, const Text& name, SearchReport& report) {
    for (const Text& root : roots) {
        if (Text atRoot = JoinText(root, name); PathExists(atRoot)) {
            report.AddResult(atRoot);
            report.ShowStatus(texts::kFound);
            break;
        }
        ScanDirectory(root, name, report);
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
