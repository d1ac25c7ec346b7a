#pragma once
// The modal window in which an update runs (template 213): an animation while the
// transfer runs, a progress bar, the connection status, the time left with the amount
// copied, the transfer rate, and Cancel. It owns the downloader; the procedure it runs
// (what is fetched, compared and installed) is in UpdateProcedure.cpp.
//
// Threads: initialisation and the commands run on the user-interface thread; the status
// and progress handlers, both completion handlers and their message boxes run on the
// downloader's worker thread, which touches the window only through SendMessageA,
// SetWindowTextA and one posted message that asks the dialog to end. Cancel only signals
// the downloader's abort event.
#include "controls/HoverButton.h"
#include "update/HttpDownloader.h"
#include "update/UpdateDescriptor.h"
#include "win/Dialog.h"

#include <atomic>
#include <functional>
#include <string>

class UpdateDialog : public Dialog {
public:
    // Dialog results: 0 means new data was unpacked into the program directory.
    enum Result : int {
        kInstalled = 0,
        kCancelledOrUnreadable = -1,
        kDownloadFailed = -2,
        kNewerProgram = -3,
        kInvalidPackage = -4,
        kUpToDate = -5,
        kUnverified = -6,        // the descriptor's signature is missing or wrong
        kFolderNotWritable = -7, // the program folder cannot be written
    };

    UpdateDialog();
    ~UpdateDialog() override;

    // Runs the update modally and returns its result (or -1 when the dialog could not be
    // shown at all).
    INT_PTR Run(HWND owner);
    // For the program's Exit while an update runs: what the Cancel button does, and a
    // message box the update shows is closed, so that the update ends within a second
    // in every phase and shows nothing more.
    void Cancel();

    // Where the descriptor and package are fetched from; the string table's base URL
    // unless set. Must end with a slash.
    void SetUpdateBaseUrl(const std::string& url) { baseUrl_ = url; }
    // The folder the installed descriptor is read from and the update is written to;
    // the executable's folder unless set. Must end with a backslash.
    void SetProgramDirectory(const std::string& folder) { programDirectory_ = folder; }
    // How long a transfer may go without a byte from the server, and in all; the
    // downloader's defaults unless set.
    void SetTransferTimeouts(DWORD stallMs, DWORD totalMs) {
        stallTimeoutMs_ = stallMs;
        totalTimeoutMs_ = totalMs;
    }

    // Display operations, called on the worker thread.
    void ShowPercent(unsigned percent);
    void ShowTimeLeft(unsigned seconds, DWORD total, DWORD contentLength);
    void ShowRate(double bytesPerMillisecond);

    // The downloader's status, progress and completion receivers.
    void ShowStatus(HINTERNET handle, DWORD status, LPVOID information, DWORD length);
    void OnProgress(DWORD startTick, DWORD& lastTick, DWORD total, DWORD& lastTotal, DWORD& lastPercent,
                    bool lengthKnown, DWORD contentLength);
    void OnDescriptorDownloaded(DownloadResult result);
    void OnSignatureDownloaded(DownloadResult result);
    void OnPackageDownloaded(DownloadResult result);

protected:
    bool HandleMessage(MessageArgs& args) override;

private:
    bool OnInitDialog(MessageArgs& args);
    void CheckForUpdate();
    void OnCancel();
    bool OnEndUpdate(MessageArgs& args);

    // The procedure's steps and endings (UpdateProcedure.cpp).
    void StartTransfer(const char* fileName, const std::string& destination, DWORD maxBytes,
                       void (UpdateDialog::*onDone)(DownloadResult));
    enum class Install { Done, Invalid, Stopped };
    Install InstallPackage(const std::string& packagePath);
    void Finish(int result, UINT messageId, UINT icon, bool openProductPage);
    void RemoveDownloads(bool package) const;
    std::string DescriptorPath() const;
    std::string DownloadedDescriptorPath() const;
    std::string SignaturePath() const;
    std::string PackagePath() const;

    // Asks the dialog to end with the result in wParam; posted by the procedure.
    static constexpr UINT kEndUpdateMessage = WM_APP + 1;
    static const MessageEntry<UpdateDialog> kMessageTable[];

    HoverButton cancelButton_;
    HWND status_ = nullptr;
    HWND timeLeft_ = nullptr;
    HWND rate_ = nullptr;
    HWND progress_ = nullptr;
    HWND animation_ = nullptr;

    std::string baseUrl_;
    std::string programDirectory_;
    bool checkStarted_ = false;
    // Set by Cancel and never cleared, like the downloader's abort: it stops the unpacking
    // and keeps any box from showing after a Cancel or the program's Exit.
    std::atomic<bool> cancelRequested_{false};

    // Written by CheckForUpdate before the worker starts; only read afterwards.
    double installedVersion_ = 0.0;
    double installedDataVersion_ = 0.0;
    // When the bar last moved; only the worker reads and writes it.
    static constexpr DWORD kPercentIntervalMs = 100;
    DWORD lastPercentTick_ = 0;
    DWORD stallTimeoutMs_ = HttpDownloader::kDefaultStallTimeoutMs;
    DWORD totalTimeoutMs_ = HttpDownloader::kDefaultTotalTimeoutMs;
    // What the verified descriptor announced; written on the worker before the package
    // is fetched, read by the same thread.
    UpdateDescriptor offered_;

    // Last, so that it is destroyed first: its destructor waits for the worker thread,
    // which uses everything above.
    HttpDownloader downloader_;
};
