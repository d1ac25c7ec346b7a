// The update procedure run by the update dialog: read the installed descriptor, fetch the
// current one, compare, and either report, send the user to the product page, or fetch
// the package and unpack the new block list into the program directory.
#include "update/UpdateDialog.h"

#include "res/ProductInfo.h"
#include "res/resource.h"
#include "update/UpdateDescriptor.h"
#include "update/ZipExtractor.h"
#include "win/ProgramDirectory.h"
#include "win/ResourceString.h"
#include "win/ShellOpen.h"

#include <commctrl.h>

namespace {

constexpr char kDescriptorName[] = "latest.xml";
constexpr char kPackageName[] = "update.zip";
constexpr char kCaption[] = "Hushbar";

std::string FileNamePart(const std::string& entryName) {
    return entryName.substr(entryName.find_last_of('\\') + 1);
}

bool IsFileNamed(const ArchiveEntryInfo& entry, const char* name) {
    return !entry.isFolder && ::lstrcmpiA(FileNamePart(entry.name).c_str(), name) == 0;
}

// Walks the whole package before anything is written: every name must stay inside the
// program directory, and the block list must be there, or nothing is installed.
bool PackageLooksSound(ZipExtractor& zip) {
    bool hasBlockList = false;
    ArchiveEntryInfo entry;
    for (bool more = zip.GoToFirst(); more; more = zip.GoToNext()) {
        if (!zip.GetCurrentEntryInfo(entry) || !IsSafeEntryName(entry.name)) return false;
        if (IsFileNamed(entry, kBlockListFileName)) hasBlockList = true;
    }
    return hasBlockList;
}

bool ExtractOnly(ZipExtractor& zip, const char* name) {
    zip.SetEntryFilter([name](const ArchiveEntryInfo& entry) { return IsFileNamed(entry, name); });
    return zip.ExtractAll(true);
}

}  // namespace

std::string UpdateDialog::DescriptorPath() const {
    return programDirectory_ + kDescriptorName;
}

std::string UpdateDialog::DownloadedDescriptorPath() const {
    return programDirectory_ + "temp" + kDescriptorName;
}

std::string UpdateDialog::PackagePath() const {
    return programDirectory_ + kPackageName;
}

void UpdateDialog::CheckForUpdate() {
    // The start command is posted once; anything that sends it again while a check runs
    // must not start a second transfer.
    if (checkStarted_) return;
    checkStarted_ = true;

    if (programDirectory_.empty()) programDirectory_ = ProgramDirectory();
    if (baseUrl_.empty()) baseUrl_ = LoadResourceString(IDS_UPDATE_BASE_URL);

    std::optional<UpdateDescriptor> installed = LoadUpdateDescriptor(DescriptorPath());
    if (!installed) {
        Finish(kCancelledOrUnreadable, IDS_CONFIG_UNREADABLE, MB_ICONERROR, true);
        return;
    }
    installedVersion_ = installed->version;
    installedDataVersion_ = installed->dataVersion;

    StartTransfer(kDescriptorName, DownloadedDescriptorPath(), &UpdateDialog::OnDescriptorDownloaded);
    if (!downloader_.Start()) {
        // Without a worker nothing would ever end the dialog: Cancel only signals.
        downloader_.ClearCallbacks();
        Finish(kDownloadFailed, IDS_DOWNLOAD_FAILED, MB_ICONERROR, false);
    }
}

void UpdateDialog::StartTransfer(const char* fileName, const std::string& destination,
                                 void (UpdateDialog::*onDone)(DownloadResult)) {
    ::SendMessageA(progress_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ::SendMessageA(progress_, PBM_SETPOS, 0, 0);
    ::SendMessageA(animation_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));

    downloader_.SetStatusCallback(this, &UpdateDialog::ShowStatus);
    downloader_.SetProgressCallback(this, &UpdateDialog::OnProgress);
    downloader_.SetCompletionCallback(this, onDone);
    downloader_.SetUrl(baseUrl_ + fileName);
    downloader_.SetDestinationPath(destination);
}

void UpdateDialog::OnDescriptorDownloaded(DownloadResult result) {
    downloader_.ClearCallbacks();
    if (result == kDownloadAborted || cancelRequested_) return Finish(kCancelledOrUnreadable, 0, 0, false);
    if (result != kDownloadSucceeded) return Finish(kDownloadFailed, IDS_DOWNLOAD_FAILED, MB_ICONERROR, false);

    std::optional<UpdateDescriptor> offered = LoadUpdateDescriptor(DownloadedDescriptorPath());
    if (!offered) return Finish(kCancelledOrUnreadable, IDS_CONFIG_UNREADABLE, MB_ICONERROR, true);

    switch (CompareDescriptors(UpdateDescriptor{installedVersion_, installedDataVersion_}, *offered)) {
    case UpdateOffer::NewerProgram:
        return Finish(kNewerProgram, IDS_NEWER_PROGRAM, MB_ICONINFORMATION, true);
    case UpdateOffer::UpToDate:
        return Finish(kUpToDate, IDS_UP_TO_DATE, MB_ICONINFORMATION, false);
    case UpdateOffer::NewerData:
        // The package comes at once on this same thread; its handler ends the dialog.
        StartTransfer(kPackageName, PackagePath(), &UpdateDialog::OnPackageDownloaded);
        downloader_.RunNow();
        return;
    }
}

void UpdateDialog::OnPackageDownloaded(DownloadResult result) {
    downloader_.ClearCallbacks();
    if (result == kDownloadAborted) return Finish(kCancelledOrUnreadable, 0, 0, false);
    if (result != kDownloadSucceeded) return Finish(kDownloadFailed, IDS_DOWNLOAD_FAILED, MB_ICONERROR, false);

    if (InstallPackage(PackagePath()))
        Finish(kInstalled, IDS_UPDATE_INSTALLED, MB_ICONINFORMATION, false);
    else
        Finish(kInvalidPackage, IDS_INVALID_UPDATE, MB_ICONERROR, false);
}

bool UpdateDialog::InstallPackage(const std::string& packagePath) {
    // An update is for the block list and its descriptor: nothing else in the package is
    // written, wherever it sits in the archive. The list goes first, so a package that
    // breaks half-way never leaves a descriptor claiming data that did not arrive.
    ZipExtractor zip;
    if (!zip.Open(packagePath.c_str()) || !zip.SetOutputFolder(programDirectory_.c_str())) return false;
    if (!PackageLooksSound(zip)) return false;
    return ExtractOnly(zip, kBlockListFileName) && ExtractOnly(zip, kDescriptorName);
}

void UpdateDialog::Finish(int result, UINT messageId, UINT icon, bool openProductPage) {
    ::SendMessageA(animation_, ACM_STOP, 0, 0);
    if (messageId) ::MessageBoxA(Hwnd(), LoadResourceString(messageId).c_str(), kCaption, MB_OK | icon);
    if (openProductPage) OpenWithShell(product::kHomePage);
    // The dialog ends itself on its own thread once it sees this.
    if (!::PostMessageA(Hwnd(), kEndUpdateMessage, static_cast<WPARAM>(result), 0)) ::EndDialog(Hwnd(), result);
}
