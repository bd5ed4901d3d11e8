#include "actions/FileActions.h"

#include "common/Owned.h"
#include "ui/FolderPicker.h"
#include "ui/Services.h"
#include "ui/Texts.h"

#include <windows.h>

#include <string>

namespace {

// Tells the outcome of a file action: the success text, or the failure text with the reason.
void ReportOutcome(bool succeeded, DWORD error, const char* done, const char* failed) {
    if (succeeded)
        ShowMessage(done);
    else
        ShowMessage(JoinText(failed, "\r\n", SystemErrorText(error)), kErrorIcon);
}

} // namespace

bool CopyFileTo(const Text& source, const Text& destination) {
    return CopyFileA(source.c_str(), destination.c_str(), FALSE) != FALSE;
}

bool DeleteFileAt(const Text& path) {
    return DeleteFileA(path.c_str()) != FALSE;
}

Text SystemErrorText(unsigned long error) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    const OwnedHandle<HLOCAL, LocalFree> owner(buffer);
    Text reason(buffer ? buffer : "", length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    if (reason.empty())
        reason = JoinText("#", std::to_string(error));
    return reason;
}

Text CopyDestination(const Text& source, const Text& folder) {
    const std::vector<Text> pieces = SplitText(source, "\\");
    return JoinText(folder, "\\", pieces.empty() ? Text() : pieces.back());
}

void CopyToDestination() {
    const Text source = GetControlText(Control::编辑框2);
    if (source.empty()) {
        ShowMessage(texts::kCopyNothing, kErrorIcon);
        return;
    }
    const bool copied =
        CopyFileTo(source, CopyDestination(source, GetControlText(Control::编辑框3)));
    ReportOutcome(copied, GetLastError(), texts::kCopyDone, texts::kCopyFailed);
}

void DeleteSource() {
    const Text path = GetControlText(Control::编辑框2);
    if (path.empty()) {
        ShowMessage(texts::kDeleteNothing, kErrorIcon);
        return;
    }
    const bool deleted = DeleteFileAt(path);
    ReportOutcome(deleted, GetLastError(), texts::kDeleteDone, texts::kDeleteFailed);
}

void ChooseDestination() {
    SetControlText(Control::编辑框3, BrowseForFolder(texts::kPickerTitle));
}
