#pragma once
// The file a download is written into before it is complete. It lives in the user's
// temporary folder and only becomes the destination file once the whole body has
// arrived; everything else removes it again. Operations answer with HRESULT-style codes
// (S_OK, or the Win32 error or-ed with 0x80070000).
#include "win/UniqueHandle.h"
#include "win/Win32.h"
#include <string>

class TempDownloadFile {
public:
    TempDownloadFile() = default;
    ~TempDownloadFile() { Discard(); }
    TempDownloadFile(const TempDownloadFile&) = delete;
    TempDownloadFile& operator=(const TempDownloadFile&) = delete;

    // Makes a new, empty, uniquely named file ("TFR....tmp") in the temporary folder.
    HRESULT Create();
    HRESULT Write(const void* data, DWORD size);
    // Closes the file and moves it to `destination`, replacing a file there. The old
    // destination stays as it was when the move fails. An empty destination discards.
    HRESULT Finish(const std::string& destination);
    // Closes and deletes the file if it is still open.
    void Discard() noexcept;

    bool IsOpen() const noexcept { return file_.IsValid(); }
    const std::string& Path() const noexcept { return path_; }

private:
    UniqueFile file_;
    std::string path_;
};

// The HRESULT form of a Win32 error code; 0 stays 0.
HRESULT HresultFromWin32Error(DWORD error) noexcept;
