// The update procedure run by the update dialog: read the installed descriptor, fetch the
// current one, compare, and either report, send the user to the product page, or fetch
// the package and unpack the new block list into the program directory.
#include "update/UpdateDialog.h"

#include "res/ProductInfo.h"
#include "res/resource.h"
#include "update/PackageContent.h"
#include "update/ResourceText.h"
#include "update/UpdateDescriptor.h"
#include "update/UpdateVerifier.h"
#include "update/ZipExtractor.h"
#include "win/ProgramDirectory.h"
#include "win/ResourceString.h"
#include "win/ShellOpen.h"

#include <commctrl.h>

#include <cstdint>
#include <list>
#include <vector>

namespace {

constexpr char kDescriptorName[] = "latest.xml";
constexpr char kPackageName[] = "update.zip";
constexpr char kSignatureSuffix[] = ".sig";
constexpr char kSignatureName[] = "latest.xml.sig";
// Bounds set by the build; the descriptor's own bound is the reader's.
constexpr DWORD kMaxDescriptorDownload = HUSHBAR_MAX_DESCRIPTOR_BYTES;
constexpr DWORD kMaxPackageBytes = HUSHBAR_MAX_PACKAGE_BYTES;
constexpr std::uint64_t kMaxBlockListBytes = HUSHBAR_MAX_BLOCKLIST_BYTES;
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

// Unpacks the one entry of that name into a temporary file in `folder`.
bool UnpackToTemporary(ZipExtractor& zip, const char* name, std::uint64_t maxBytes, const std::string& folder,
                       std::string& temporary) {
    zip.SetMaxEntryBytes(maxBytes);
    ArchiveEntryInfo entry;
    for (bool more = zip.GoToFirst(); more; more = zip.GoToNext()) {
        if (!zip.GetCurrentEntryInfo(entry)) return false;
        if (IsFileNamed(entry, name)) return zip.ExtractCurrentToTemporary(folder, temporary);
    }
    return false;
}

// Removes the temporary files it holds unless they were moved into place.
class TemporaryFiles {
public:
    ~TemporaryFiles() {
        for (const std::string& path : paths_)
            if (!path.empty()) ::DeleteFileA(path.c_str());
    }
    // The reference stays good while the holder lives.
    std::string& Add() { return paths_.emplace_back(); }
    void Forget(const std::string& path) {
        for (std::string& held : paths_)
            if (held == path) held.clear();
    }

private:
    std::list<std::string> paths_;
};

// Whether files can be made in the folder: an update that cannot write there cannot
// install anything, and should say so rather than fail as a download.
bool CanWriteFolder(const std::string& folder) {
    char name[MAX_PATH + 1] = {};
    if (::GetTempFileNameA(folder.c_str(), "hbw", 0, name) == 0) return false;
    // The name comes back even when the file could not be made; only the file tells.
    const bool made = ::GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
    if (made) ::DeleteFileA(name);
    return made;
}

// The line that says why a download failed, for the user or an administrator to act on;
// empty when there is nothing useful to say.
std::string FailureLine(DownloadFailure failure, DWORD httpStatus, DWORD silenceMs) {
    static constexpr struct {
        DownloadFailure failure;
        UINT textId;
    } kReasons[] = {
        {kFailureNameNotResolved, IDS_FAILURE_NAME_NOT_RESOLVED},
        {kFailureConnectionRefused, IDS_FAILURE_CONNECTION_REFUSED},
        {kFailureSilence, IDS_FAILURE_SILENCE},
        {kFailureHttpStatus, IDS_FAILURE_HTTP_STATUS},
        {kFailureCertificate, IDS_FAILURE_CERTIFICATE},
        {kFailureEndedEarly, IDS_FAILURE_ENDED_EARLY},
    };
    const std::string insert =
        std::to_string(failure == kFailureSilence ? (silenceMs + 999) / 1000 : httpStatus);
    for (const auto& reason : kReasons)
        if (reason.failure == failure) return FormatResourceText(reason.textId, insert);
    return std::string();
}

bool DigestMatches(const std::string& path, const UpdateDescriptor& announced) {
    std::optional<FileDigest> digest = DigestOfFile(path);
    return digest && announced.packageSize && announced.packageSha256 && digest->size == *announced.packageSize &&
           digest->sha256 == *announced.packageSha256;
}

}  // namespace

std::string UpdateDialog::DescriptorPath() const {
    return programDirectory_ + kDescriptorName;
}

std::string UpdateDialog::DownloadedDescriptorPath() const {
    return programDirectory_ + "temp" + kDescriptorName;
}

std::string UpdateDialog::SignaturePath() const {
    return DownloadedDescriptorPath() + kSignatureSuffix;
}

std::string UpdateDialog::PackagePath() const {
    return programDirectory_ + kPackageName;
}

void UpdateDialog::RemoveDownloads(bool package) const {
    ::DeleteFileA(DownloadedDescriptorPath().c_str());
    ::DeleteFileA(SignaturePath().c_str());
    if (package) ::DeleteFileA(PackagePath().c_str());
}

void UpdateDialog::CheckForUpdate() {
    // The start command is posted once; anything that sends it again while a check runs
    // must not start a second transfer.
    if (checkStarted_) return;
    checkStarted_ = true;

    if (programDirectory_.empty()) programDirectory_ = ProgramDirectory();
    if (baseUrl_.empty()) baseUrl_ = LoadResourceString(IDS_UPDATE_BASE_URL);

    // Installed for all users, the folder is the administrators': nothing to fetch then.
    if (!CanWriteFolder(programDirectory_)) {
        Finish(kFolderNotWritable, IDS_FOLDER_NOT_WRITABLE, MB_ICONERROR, false);
        return;
    }

    std::optional<UpdateDescriptor> installed = LoadUpdateDescriptor(DescriptorPath());
    if (!installed) {
        Finish(kCancelledOrUnreadable, IDS_CONFIG_UNREADABLE, MB_ICONERROR, true);
        return;
    }
    installedVersion_ = installed->version;
    installedDataVersion_ = installed->dataVersion;

    StartTransfer(kDescriptorName, DownloadedDescriptorPath(), kMaxDescriptorDownload,
                  &UpdateDialog::OnDescriptorDownloaded);
    if (!downloader_.Start()) {
        // Without a worker nothing would ever end the dialog: Cancel only signals.
        downloader_.ClearCallbacks();
        Finish(kDownloadFailed, IDS_DOWNLOAD_FAILED, MB_ICONERROR, false);
    }
}

void UpdateDialog::StartTransfer(const char* fileName, const std::string& destination, DWORD maxBytes,
                                 void (UpdateDialog::*onDone)(DownloadResult)) {
    ::SendMessageA(progress_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ::SendMessageA(progress_, PBM_SETPOS, 0, 0);
    ::SendMessageA(animation_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));

    downloader_.SetStatusCallback(this, &UpdateDialog::ShowStatus);
    downloader_.SetProgressCallback(this, &UpdateDialog::OnProgress);
    downloader_.SetCompletionCallback(this, onDone);
    downloader_.SetUrl(baseUrl_ + fileName);
    downloader_.SetDestinationPath(destination);
    downloader_.SetMaxBytes(maxBytes);
    downloader_.SetTimeouts(stallTimeoutMs_, totalTimeoutMs_);
}

void UpdateDialog::OnDescriptorDownloaded(DownloadResult result) {
    downloader_.ClearCallbacks();
    if (result == kDownloadAborted || cancelRequested_) return Finish(kCancelledOrUnreadable, 0, 0, false);
    if (result != kDownloadSucceeded) return Finish(kDownloadFailed, IDS_DOWNLOAD_FAILED, MB_ICONERROR, false);

    // The signature comes from the same folder at once, on this same thread.
    StartTransfer(kSignatureName, SignaturePath(), kMaxDescriptorDownload, &UpdateDialog::OnSignatureDownloaded);
    downloader_.RunNow();
}

void UpdateDialog::OnSignatureDownloaded(DownloadResult result) {
    downloader_.ClearCallbacks();
    if (result == kDownloadAborted || cancelRequested_) {
        RemoveDownloads(false);
        return Finish(kCancelledOrUnreadable, 0, 0, false);
    }
    // A server that has no signature to give is as unverified as one that gives a wrong
    // one; a connection that broke is a failed download.
    if (result != kDownloadSucceeded && result != kDownloadHttpError) {
        RemoveDownloads(false);
        return Finish(kDownloadFailed, IDS_DOWNLOAD_FAILED, MB_ICONERROR, false);
    }

    // Both are read once, and what was verified is what is parsed.
    std::optional<std::string> descriptorText = ReadSmallFile(DownloadedDescriptorPath(), kMaxDescriptorBytes);
    std::optional<std::string> signatureText =
        result == kDownloadSucceeded ? ReadSmallFile(SignaturePath(), kMaxDescriptorDownload) : std::nullopt;
    ::DeleteFileA(SignaturePath().c_str());
    std::optional<std::vector<std::uint8_t>> signature =
        signatureText ? DecodeBase64Text(*signatureText) : std::nullopt;
    if (!descriptorText || !signature || !VerifySignature(*descriptorText, *signature, BuiltInUpdateKey())) {
        RemoveDownloads(false);
        return Finish(kUnverified, IDS_UPDATE_UNVERIFIED, MB_ICONERROR, false);
    }

    std::optional<UpdateDescriptor> offered = ParseUpdateDescriptor(*descriptorText);
    if (!offered) {
        RemoveDownloads(false);
        return Finish(kCancelledOrUnreadable, IDS_CONFIG_UNREADABLE, MB_ICONERROR, true);
    }

    switch (CompareDescriptors(UpdateDescriptor(installedVersion_, installedDataVersion_), *offered)) {
    case UpdateOffer::NewerProgram:
        return Finish(kNewerProgram, IDS_NEWER_PROGRAM, MB_ICONINFORMATION, true);
    case UpdateOffer::UpToDate:
        return Finish(kUpToDate, IDS_UP_TO_DATE, MB_ICONINFORMATION, false);
    case UpdateOffer::NewerData:
        break;
    }
    // New data must say what it is: without a size and hash nothing could be checked.
    if (!offered->packageSize || !offered->packageSha256 || *offered->packageSize == 0 ||
        *offered->packageSize > kMaxPackageBytes) {
        RemoveDownloads(false);
        return Finish(kInvalidPackage, IDS_INVALID_UPDATE, MB_ICONERROR, false);
    }
    offered_ = *offered;
    // The package comes at once on this same thread, and no byte past its announced
    // size is taken; its handler ends the dialog.
    StartTransfer(kPackageName, PackagePath(), *offered->packageSize, &UpdateDialog::OnPackageDownloaded);
    downloader_.RunNow();
}

void UpdateDialog::OnPackageDownloaded(DownloadResult result) {
    downloader_.ClearCallbacks();
    if (result == kDownloadAborted || cancelRequested_) {
        RemoveDownloads(true);
        return Finish(kCancelledOrUnreadable, 0, 0, false);
    }
    if (result != kDownloadSucceeded) {
        RemoveDownloads(true);
        return Finish(kDownloadFailed, IDS_DOWNLOAD_FAILED, MB_ICONERROR, false);
    }

    switch (InstallPackage(PackagePath())) {
    case Install::Done:
        return Finish(kInstalled, IDS_UPDATE_INSTALLED, MB_ICONINFORMATION, false);
    case Install::Stopped:
        RemoveDownloads(true);
        return Finish(kCancelledOrUnreadable, 0, 0, false);
    case Install::Invalid:
        RemoveDownloads(true);
        return Finish(kInvalidPackage, IDS_INVALID_UPDATE, MB_ICONERROR, false);
    }
}

UpdateDialog::Install UpdateDialog::InstallPackage(const std::string& packagePath) {
    // The package must be the one the signed descriptor announced, byte for byte, before
    // it is even opened.
    if (!DigestMatches(packagePath, offered_)) return Install::Invalid;

    // An update is for the block list and its descriptor: nothing else in the package is
    // written, wherever it sits in the archive. Both are unpacked beside the installed
    // files and checked before either is moved into place, so a damaged or unusable
    // package leaves the installed ones exactly as they were.
    ZipExtractor zip;
    if (!zip.Open(packagePath.c_str()) || !zip.SetOutputFolder(programDirectory_.c_str())) return Install::Invalid;
    if (!PackageLooksSound(zip)) return Install::Invalid;
    zip.SetStopCheck([this] { return cancelRequested_.load(); });

    TemporaryFiles temporaries;
    std::string& list = temporaries.Add();
    std::string& descriptor = temporaries.Add();
    const bool unpacked = UnpackToTemporary(zip, kBlockListFileName, kMaxBlockListBytes, programDirectory_, list) &&
                          UnpackToTemporary(zip, kDescriptorName, kMaxDescriptorBytes, programDirectory_, descriptor);
    if (cancelRequested_) return Install::Stopped;
    if (!unpacked) return Install::Invalid;

    std::optional<std::string> listText = ReadSmallFile(list, kMaxBlockListBytes);
    if (!listText || !IsUsableBlockListText(*listText)) return Install::Invalid;
    // The descriptor that comes with the list must be the one announced: a package of
    // other data must not pass for the newer one.
    std::optional<UpdateDescriptor> inner = LoadUpdateDescriptor(descriptor);
    if (!inner || inner->dataVersion != offered_.dataVersion || inner->version != offered_.version)
        return Install::Invalid;
    if (cancelRequested_) return Install::Stopped;

    // The list goes first, so a package that breaks half-way never leaves a descriptor
    // claiming data that did not arrive.
    const UINT move = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (!::MoveFileExA(list.c_str(), (programDirectory_ + kBlockListFileName).c_str(), move)) return Install::Invalid;
    temporaries.Forget(list);
    if (!::MoveFileExA(descriptor.c_str(), DescriptorPath().c_str(), move)) return Install::Invalid;
    temporaries.Forget(descriptor);
    return Install::Done;
}

void UpdateDialog::Finish(int result, UINT messageId, UINT icon, bool openProductPage) {
    ::SendMessageA(animation_, ACM_STOP, 0, 0);
    // After Cancel, and after the program's Exit, nothing more is shown.
    if (cancelRequested_) {
        messageId = 0;
        openProductPage = false;
    }
    std::string text = messageId ? LoadResourceString(messageId) : std::string();
    if (messageId == IDS_DOWNLOAD_FAILED) {
        const std::string reason = FailureLine(downloader_.Failure(), downloader_.HttpStatus(), stallTimeoutMs_);
        if (!reason.empty()) text += "\n" + reason;
    }
    if (messageId) ::MessageBoxA(Hwnd(), text.c_str(), kCaption, MB_OK | icon);
    if (openProductPage) OpenWithShell(product::kHomePage);
    // The dialog ends itself on its own thread once it sees this.
    if (!::PostMessageA(Hwnd(), kEndUpdateMessage, static_cast<WPARAM>(result), 0)) ::EndDialog(Hwnd(), result);
}
