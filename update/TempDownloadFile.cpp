#include "update/TempDownloadFile.h"

HRESULT HresultFromWin32Error(DWORD error) noexcept {
    if (error == 0) return S_OK;
    return static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

namespace {

HRESULT LastErrorResult() {
    DWORD error = GetLastError();
    // A failure that set no error code must still read as a failure.
    return HresultFromWin32Error(error != 0 ? error : ERROR_GEN_FAILURE);
}

}  // namespace

HRESULT TempDownloadFile::Create() {
    Discard();
    char folder[256];
    DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0) return LastErrorResult();
    if (length >= sizeof folder) return HresultFromWin32Error(ERROR_BUFFER_OVERFLOW);

    char name[MAX_PATH];
    if (GetTempFileNameA(folder, "TFR", 0, name) == 0) return LastErrorResult();

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        HRESULT result = LastErrorResult();
        DeleteFileA(name);  // GetTempFileNameA already made it
        return result;
    }
    file_.Reset(file);
    path_ = name;
    return S_OK;
}

HRESULT TempDownloadFile::Write(const void* data, DWORD size) {
    if (!file_) return HresultFromWin32Error(ERROR_INVALID_HANDLE);
    DWORD written = 0;
    if (!WriteFile(file_.Get(), data, size, &written, nullptr)) return LastErrorResult();
    if (written != size) return HresultFromWin32Error(ERROR_WRITE_FAULT);
    return S_OK;
}

HRESULT TempDownloadFile::Finish(const std::string& destination) {
    if (!file_) return HresultFromWin32Error(ERROR_INVALID_HANDLE);
    if (destination.empty()) {
        Discard();
        return S_OK;
    }
    file_.Reset();
    // One replacing move rather than delete-then-move: if the move fails, the file that
    // was there is still there. Copying is allowed because the temporary folder and the
    // destination may lie on different volumes.
    if (!MoveFileExA(path_.c_str(), destination.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED |
                         MOVEFILE_WRITE_THROUGH)) {
        HRESULT result = LastErrorResult();
        DeleteFileA(path_.c_str());
        path_.clear();
        return result;
    }
    path_.clear();
    return S_OK;
}

void TempDownloadFile::Discard() noexcept {
    if (!file_) return;
    file_.Reset();
    DeleteFileA(path_.c_str());
    path_.clear();
}
