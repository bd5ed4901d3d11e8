// The whole-disk search: every drive in order, its root first, then its tree depth-first, up to
// the first place where the name exists.
#pragma once

#include "common/Text.h"

#include <vector>

// Where a search reports: the path of the hit, and the status trail.
class SearchReport {
  public:
    virtual void AddResult(const Text& path) = 0;
    virtual void ShowStatus(const Text& status) = 0;

  protected:
    ~SearchReport() = default;
};

// True from a hit below a drive root until the end of that search.
extern bool SearchFound;

// How a search tests each place for the name. Both give the same results and status trail.
enum class Check {
    // One PathExists (FindFirstFileA) per subdirectory before its listing.
    Plain,
    // The subdirectory's listing is opened first: when it ends without a subdirectory and without
    // an entry that could be the name, that listing has answered; otherwise QuickPathExists does.
    Quick,
};

// Scans the tree below directory (which ends in "\") for name.
void ScanDirectory(const Text& directory, const Text& name, SearchReport& report,
                   Check check = Check::Quick);

// Tests each root, then scans its tree, until the first hit. Clears SearchFound at the end.
void SearchDrives(const std::vector<Text>& roots, const Text& name, SearchReport& report,
                  Check check = Check::Quick);

// The click of the search button: warns, checks the name box, searches every logical drive.
void StartSearch();
