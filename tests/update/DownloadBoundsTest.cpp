// What a server cannot make the downloader do: take more than its bound, wait for ever,
// or send it round in circles; and Abort is seen while the server keeps it waiting.
#include "DownloadFixture.h"

#include <thread>

namespace {

DWORD Since(DWORD tick) { return GetTickCount() - tick; }

}  // namespace

TEST_F(DownloadTest, BodiesAndLengthsPastTheBoundEndTheTransferAtOnce) {
    ASSERT_TRUE(WriteTextFile(Destination(), "kept"));
    HttpDownloader downloader;
    downloader.SetDestinationPath(Destination());
    downloader.SetMaxBytes(1000);

    downloader.SetUrl(Url("gen/1000"));
    DownloadRecorder exact;
    EXPECT_EQ(kDownloadSucceeded, Fetch(downloader, exact));
    ASSERT_TRUE(WriteTextFile(Destination(), "kept"));

    // Past the bound by one byte, announced or not; a body that never ends; and a length
    // announced far past it, refused before the body is waited for.
    for (const char* path : {"gen/1001", "no-length/gen/1001", "endless/gen/1", "huge-length/gen/10"}) {
        SCOPED_TRACE(path);
        downloader.SetUrl(Url(path));
        DownloadRecorder recorder;
        const DWORD start = GetTickCount();
        EXPECT_EQ(kDownloadTooLarge, Fetch(downloader, recorder));
        EXPECT_LT(Since(start), 2000u);
        EXPECT_EQ("kept", ReadFileText(Destination()));
        EXPECT_EQ(0, TemporaryFileCount());
        for (const ProgressCall& call : recorder.progress) EXPECT_LE(call.total, 1000u);
    }
}

TEST_F(DownloadTest, RedirectsAreFollowedFiveTimesThenRefused) {
    HttpDownloader downloader;
    downloader.SetDestinationPath(Destination());
    std::string five = "gen/10";
    for (int i = 0; i < 5; ++i) five = "redirect/" + five;
    downloader.SetUrl(Url(five));
    DownloadRecorder followed;
    EXPECT_EQ(kDownloadSucceeded, Fetch(downloader, followed));
    EXPECT_EQ(GeneratedBytes(10), ReadFileText(Destination()));
    EXPECT_EQ(5u, followed.redirects.size());

    for (const char* path : {"redirect/", "loop/gen/10"}) {
        SCOPED_TRACE(path);
        server_->ClearLog();
        downloader.SetUrl(Url(path == std::string("redirect/") ? "redirect/" + five : path));
        DownloadRecorder recorder;
        EXPECT_EQ(kDownloadHttpError, Fetch(downloader, recorder));
        EXPECT_EQ(6u, server_->RequestLog().size());
        EXPECT_EQ(0, TemporaryFileCount());
    }
}

TEST_F(DownloadTest, AServerThatKeepsUsWaitingTimesOutAndAbortIsSeenWithinASecond) {
    HttpDownloader downloader;
    downloader.SetDestinationPath(Destination());
    downloader.SetTimeouts(1500, 60000);
    // Nothing at all, and half a body then nothing: given up after the stall time.
    for (const char* path : {"never-answer/gen/10", "stall/gen/100000"}) {
        SCOPED_TRACE(path);
        downloader.SetUrl(Url(path));
        DownloadRecorder recorder;
        const DWORD start = GetTickCount();
        EXPECT_EQ(kDownloadTimedOut, Fetch(downloader, recorder));
        EXPECT_GE(Since(start), 1400u);
        EXPECT_LT(Since(start), 4000u);
        EXPECT_EQ(0, TemporaryFileCount());
    }

    // Bytes that keep coming, but too slowly for the whole transfer's limit.
    downloader.SetTimeouts(30000, 1500);
    downloader.SetUrl(Url("slow/gen/100000"));
    DownloadRecorder slow;
    DWORD start = GetTickCount();
    EXPECT_EQ(kDownloadTimedOut, Fetch(downloader, slow));
    EXPECT_LT(Since(start), 4000u);

    // Abort from another thread while the server says nothing, in either phase.
    for (const char* path : {"never-answer/gen/10", "stall/gen/100000", "wait-20/gen/10"}) {
        SCOPED_TRACE(path);
        HttpDownloader downloader;
        downloader.SetDestinationPath(Destination());
        downloader.SetTimeouts(60000, 600000);
        downloader.SetUrl(Url(path));
        DownloadRecorder recorder;
        DWORD abortedAt = 0;
        std::thread canceller([&] {
            Sleep(1200);
            abortedAt = GetTickCount();
            downloader.Abort();
        });
        EXPECT_EQ(kDownloadAborted, Fetch(downloader, recorder));
        const DWORD ended = GetTickCount();
        canceller.join();
        EXPECT_LT(ended - abortedAt, 1000u);
        EXPECT_EQ(0, TemporaryFileCount());
    }
}

TEST_F(DownloadTest, ReadsTakeWhatHasArrivedUpTo64KiB) {
    HttpDownloader downloader;
    downloader.SetDestinationPath(Destination());
    downloader.SetUrl(Url("gen/300000"));
    DownloadRecorder recorder;
    ASSERT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
    EXPECT_EQ(GeneratedBytes(300000), ReadFileText(Destination()));
    // Fewer reads than 1 KiB blocks would need, none larger than 64 KiB.
    EXPECT_LT(recorder.progress.size(), 300000u / 1024u);
    DWORD before = 0;
    for (const ProgressCall& call : recorder.progress) {
        EXPECT_LE(call.total - before, 65536u);
        before = call.total;
    }
}
