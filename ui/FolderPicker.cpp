#include "ui/FolderPicker.h"

#include "common/Owned.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace {

void FreeItemList(LPITEMIDLIST items) {
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(items);
        allocator->Release();
    }
}
using OwnedItemList = OwnedHandle<LPITEMIDLIST, FreeItemList>;

// Keeps the program's windows out of reach while a modal shell window runs its own loop, and
// gives back their enabled state, the foreground and the activation afterwards.
class ModalScope {
  public:
    ModalScope() {
        active_ = GetActiveWindow();
        if (!IsWindow(active_))
            active_ = nullptr;
        foreground_ = GetForegroundWindow();
        EnumThreadWindows(GetCurrentThreadId(), DisableTopLevel, reinterpret_cast<LPARAM>(this));
    }
    ~ModalScope() {
        for (const auto& [window, wasEnabled] : disabled_)
            EnableWindow(window, wasEnabled);
        if (IsWindow(foreground_))
            SetForegroundWindow(foreground_);
        if (IsWindow(active_))
            SetActiveWindow(active_);
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

    HWND owner() const { return active_; }

  private:
    static BOOL CALLBACK DisableTopLevel(HWND window, LPARAM self) {
        if (!GetParent(window)) {
            auto& scope = *reinterpret_cast<ModalScope*>(self);
            scope.disabled_.emplace_back(window, IsWindowEnabled(window) != FALSE);
            EnableWindow(window, FALSE);
        }
        return TRUE;
    }

    HWND active_ = nullptr;
    HWND foreground_ = nullptr;
    std::vector<std::pair<HWND, bool>> disabled_;
};

} // namespace

Text BrowseForFolder(const Text& title, bool includeFiles) {
    Text result;
    char buffer[MAX_PATH] = {};
    OwnedItemList items;
    {
        ModalScope modal;
        BROWSEINFOA info{};
        info.hwndOwner = modal.owner();
        info.pszDisplayName = buffer;
        info.lpszTitle = title.c_str();
        info.ulFlags = includeFiles ? (BIF_EDITBOX | BIF_BROWSEINCLUDEFILES) : BIF_EDITBOX;
        items.reset(SHBrowseForFolderA(&info));
    }
    if (items) {
        buffer[0] = '\0';
        if (SHGetPathFromIDListA(items.get(), buffer) && buffer[0] != '\0')
            result = buffer;
    }
    return result;
}
