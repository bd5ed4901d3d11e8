#include "app/ControlTable.h"

#include "ui/Texts.h"

#include <commctrl.h>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;
constexpr DWORD kButton =
    kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
constexpr DWORD kLineEdit = kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kTextEdit =
    kChild | WS_TABSTOP | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
constexpr DWORD kLabel = kChild | SS_OWNERDRAW;
constexpr DWORD kStatusBar = WS_CHILD | CCS_BOTTOM | SBT_TOOLTIPS;

} // namespace

// Ordered as the enumeration, so a control's row is found by its index.
const std::array<ControlRow, static_cast<size_t>(Control::Count)> kControlTable = {{
    {Control::标签1, "STATIC", texts::kNameLabel, kLabel, 0, 10, 18, 155, 20},
    {Control::编辑框1, "EDIT", "", kLineEdit, WS_EX_CLIENTEDGE, 165, 18, 200, 20},
    {Control::标签2, "STATIC", texts::kPathLabel, kLabel, 0, 8, 64, 64, 24},
    {Control::编辑框2, "EDIT", "", kTextEdit, WS_EX_CLIENTEDGE, 80, 56, 381, 48},
    {Control::按钮4, "BUTTON", texts::kChooseButton, kButton, 0, 8, 128, 64, 48},
    {Control::编辑框3, "EDIT", "", kTextEdit, WS_EX_CLIENTEDGE, 80, 128, 384, 48},
    {Control::按钮1, "BUTTON", texts::kSearchButton, kButton, 0, 82, 200, 80, 32},
    {Control::按钮2, "BUTTON", texts::kCopyButton, kButton, 0, 211, 200, 80, 32},
    {Control::按钮3, "BUTTON", texts::kDeleteButton, kButton, 0, 344, 200, 80, 32},
    // The bar places itself along the bottom edge; this rectangle has no visible effect.
    {Control::状态条1, STATUSCLASSNAMEA, "", kStatusBar, 0, -8, 286, 489, 20},
}};
