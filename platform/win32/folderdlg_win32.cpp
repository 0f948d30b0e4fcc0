#include "platform/win32/wide.h"
#include <shlobj.h>

#include "platform/folderdlg.h"
#include "platform/hooks.h"

namespace platform {
namespace {

int CALLBACK SelectInitial(HWND wnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data != 0) {
        SendMessageW(wnd, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

}  // namespace

UString BrowseForFolderDialog(const UString& title, const UString& initial_folder,
                              bool allow_new_folder, uintptr_t owner) {
    {
        std::lock_guard<std::mutex> g(detail::HookLock());
        if (detail::FolderHook())
            return detail::FolderHook()(title, initial_folder, allow_new_folder);
    }
    BROWSEINFOW bi = {};
    bi.hwndOwner = reinterpret_cast<HWND>(owner);
    bi.lpszTitle = W(title);
    bi.ulFlags = 0x41;                           // BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE
    if (!allow_new_folder) bi.ulFlags |= 0x200;  // BIF_NONEWFOLDERBUTTON
    if (!initial_folder.empty()) {
        bi.lpfn = SelectInitial;
        bi.lParam = reinterpret_cast<LPARAM>(W(initial_folder));
    }
    HRESULT co = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    UString result;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&bi);
    if (list != nullptr) {
        wchar_t path[MAX_PATH + 1] = {0};
        if (SHGetPathFromIDListW(list, path)) result = U(path);
        CoTaskMemFree(list);
    }
    if (SUCCEEDED(co)) CoUninitialize();
    return result;
}

}  // namespace platform
