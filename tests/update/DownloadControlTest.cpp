// Cancelling, running on the worker thread, starting the next transfer from the
// completion of the previous one, the rate limit and the end of the downloader's life.
#include "tests/update/DownloadFixture.h"

TEST_F(DownloadTest, AbortDuringTheBodyDropsTheBlockInHandAndTheTemporaryFile) {
    ASSERT_TRUE(WriteTextFile(Destination(), "keep me"));
    HttpDownloader downloader;
    downloader.SetUrl(Url("slow/gen/100000"));
    downloader.SetDestinationPath(Destination());
    DownloadRecorder recorder;
    recorder.abortTarget = &downloader;
    recorder.abortAtTotal = 2048;
    recorder.abortWhileReceiving = true;
    const DWORD started = GetTickCount();
    EXPECT_EQ(kDownloadAborted, Fetch(downloader, recorder));
    EXPECT_LT(GetTickCount() - started, 5000u) << "a slow body must not be read to its end";
    // A block already in hand is reported at most once more, and never written.
    ASSERT_GE(recorder.abortedAtCall, 1);
    EXPECT_LE(recorder.progress.size(), static_cast<std::size_t>(recorder.abortedAtCall) + 1);
    EXPECT_EQ("keep me", ReadFileText(Destination()));

    // Signalled from the progress callback itself: the check right after it ends it.
    HttpDownloader again;
    again.SetUrl(Url("slow/gen/100000"));
    again.SetDestinationPath(Destination());
    DownloadRecorder fromProgress;
    fromProgress.abortTarget = &again;
    fromProgress.abortAtTotal = 1;
    EXPECT_EQ(kDownloadAborted, Fetch(again, fromProgress));
    EXPECT_EQ(static_cast<std::size_t>(fromProgress.abortedAtCall), fromProgress.progress.size());
    EXPECT_EQ("keep me", ReadFileText(Destination()));
    EXPECT_EQ(0, TemporaryFileCount());

    // An abort stands for the downloader's life: a Cancel that lands between two
    // transfers of one update ends the next one before it sends anything.
    again.SetUrl(Url("gen/100"));
    DownloadRecorder next;
    server_->ClearLog();
    EXPECT_EQ(kDownloadAborted, Fetch(again, next));
    EXPECT_TRUE(server_->RequestLog().empty());
    EXPECT_EQ("keep me", ReadFileText(Destination()));
}

TEST_F(DownloadTest, StartRunsOnAWorkerThreadThatAbortReachesFromOutside) {
    HttpDownloader downloader;
    downloader.SetUrl(Url("slow/gen/100000"));
    downloader.SetDestinationPath(Destination());
    DownloadRecorder recorder;
    recorder.Attach(downloader);
    ASSERT_TRUE(downloader.Start());
    EXPECT_TRUE(downloader.HasThread());
    EXPECT_NE(GetCurrentThreadId(), downloader.ThreadId());
    ASSERT_TRUE(recorder.WaitForFirstBytes());
    downloader.Abort();
    ASSERT_TRUE(recorder.WaitForCompletion());
    downloader.Join();
    EXPECT_FALSE(downloader.HasThread());
    ASSERT_EQ(1u, recorder.results.size());
    EXPECT_EQ(kDownloadAborted, recorder.results[0]);
    EXPECT_FALSE(FileExists(Destination()));
    EXPECT_EQ(0, TemporaryFileCount());
}

TEST_F(DownloadTest, DestroyingTheDownloaderEndsAndJoinsItsTransfer) {
    DownloadRecorder recorder;
    const DWORD started = GetTickCount();
    {
        HttpDownloader downloader;
        downloader.SetUrl(Url("slow/gen/200000"));
        downloader.SetDestinationPath(Destination());
        recorder.Attach(downloader);
        ASSERT_TRUE(downloader.Start());
        ASSERT_TRUE(recorder.WaitForFirstBytes());
    }
    // Completion has run before the object went away, and did not wait out the body.
    ASSERT_EQ(1u, recorder.results.size());
    EXPECT_EQ(kDownloadAborted, recorder.results[0]);
    EXPECT_LT(GetTickCount() - started, 10000u);
    EXPECT_EQ(0, TemporaryFileCount());
}

namespace {

// Runs a second transfer from inside the first one's completion, on the same thread, the
// way an update fetches its package after the descriptor.
class ChainedDownloads {
public:
    ChainedDownloads(HttpDownloader& downloader, std::string secondUrl, std::string secondPath)
        : downloader_(downloader), secondUrl_(std::move(secondUrl)),
          secondPath_(std::move(secondPath)) {}

    void OnFirst(DownloadResult result) {
        first = result;
        firstThread = GetCurrentThreadId();
        downloader_.ClearCallbacks();
        downloader_.SetCompletionCallback(this, &ChainedDownloads::OnSecond);
        downloader_.SetUrl(secondUrl_);
        downloader_.SetDestinationPath(secondPath_);
        downloader_.RunNow();
    }
    void OnSecond(DownloadResult result) {
        second = result;
        secondThread = GetCurrentThreadId();
    }

    DownloadResult first = static_cast<DownloadResult>(-1);
    DownloadResult second = static_cast<DownloadResult>(-1);
    DWORD firstThread = 0;
    DWORD secondThread = 0;

private:
    HttpDownloader& downloader_;
    std::string secondUrl_;
    std::string secondPath_;
};

}  // namespace

TEST_F(DownloadTest, NextTransferCanRunFromTheCompletionOfThePrevious) {
    HttpDownloader downloader;
    ChainedDownloads chain(downloader, Url("gen/1500"), Destination("second.bin"));
    downloader.SetCompletionCallback(&chain, &ChainedDownloads::OnFirst);
    downloader.SetUrl(Url("files/note.txt"));
    downloader.SetDestinationPath(Destination("first.txt"));
    ASSERT_TRUE(downloader.Start());
    downloader.Join();
    EXPECT_EQ(kDownloadSucceeded, chain.first);
    EXPECT_EQ(kDownloadSucceeded, chain.second);
    EXPECT_EQ(chain.firstThread, chain.secondThread);
    EXPECT_NE(GetCurrentThreadId(), chain.firstThread);
    EXPECT_EQ("a small text file\r\n", ReadFileText(Destination("first.txt")));
    EXPECT_EQ(GeneratedBytes(1500), ReadFileText(Destination("second.bin")));
    EXPECT_EQ(0, TemporaryFileCount());
}

TEST_F(DownloadTest, RateLimitSlowsTheTransferDown) {
    // 10 bytes per millisecond: 3000 bytes take about 300 ms, however few reads bring
    // them.
    HttpDownloader downloader;
    downloader.SetUrl(Url("gen/3000"));
    downloader.SetDestinationPath(Destination());
    downloader.SetMaxRate(10.0);
    DownloadRecorder recorder;
    const DWORD started = GetTickCount();
    ASSERT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
    EXPECT_GE(GetTickCount() - started, 190u);
    EXPECT_EQ(GeneratedBytes(3000), ReadFileText(Destination()));

    // Cancel does not wait for the limit's pause to run out.
    downloader.SetMaxRate(0.01);
    DownloadRecorder slowed;
    slowed.abortTarget = &downloader;
    slowed.abortAtTotal = 1;
    const DWORD cancelled = GetTickCount();
    EXPECT_EQ(kDownloadAborted, Fetch(downloader, slowed));
    EXPECT_LT(GetTickCount() - cancelled, 5000u);
}
