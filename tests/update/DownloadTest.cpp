#include "tests/update/DownloadFixture.h"

#include <algorithm>

namespace {

bool Contains(const std::vector<DWORD>& values, DWORD wanted) {
    return std::find(values.begin(), values.end(), wanted) != values.end();
}

}  // namespace

TEST_F(DownloadTest, CompleteBodyReplacesTheDestinationAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(WriteTextFile(Destination(), "old contents"));
    HttpDownloader downloader;
    downloader.SetUrl(Url("gen/5000"));
    downloader.SetDestinationPath(Destination());
    DownloadRecorder recorder;
    recorder.markProgressState = true;
    EXPECT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
    EXPECT_EQ(GeneratedBytes(5000), ReadFileText(Destination()));
    EXPECT_EQ(0, TemporaryFileCount());

    // Progress: after every read, totals growing to the content length, the last call
    // for the empty read that ends the body.
    ASSERT_GE(recorder.progress.size(), 2u);
    for (std::size_t i = 1; i < recorder.progress.size(); ++i)
        EXPECT_GE(recorder.progress[i].total, recorder.progress[i - 1].total);
    const ProgressCall& last = recorder.progress.back();
    const ProgressCall& beforeLast = recorder.progress[recorder.progress.size() - 2];
    EXPECT_EQ(5000u, last.total);
    EXPECT_EQ(5000u, beforeLast.total) << "the final read of 0 bytes is reported too";
    EXPECT_TRUE(last.lengthKnown);
    EXPECT_EQ(5000u, last.contentLength);
    EXPECT_LE(recorder.progress.front().total, 65536u) << "reads are at most 64 KiB";
    // The state starts at (start tick, 0, 0); what the receiver writes through the
    // references comes back on the next call.
    EXPECT_EQ(recorder.progress.front().startTick, recorder.progress.front().lastTick);
    EXPECT_EQ(0u, recorder.progress.front().lastTotal);
    EXPECT_EQ(0u, recorder.progress.front().lastPercent);
    for (std::size_t i = 1; i < recorder.progress.size(); ++i) {
        EXPECT_EQ(i, recorder.progress[i].lastPercent);
        EXPECT_EQ(recorder.progress[i - 1].total, recorder.progress[i].lastTotal);
    }
}

TEST_F(DownloadTest, RequestCarriesAgentAcceptedTypesAndPathWithItsQueryButNoFragment) {
    HttpDownloader downloader;
    downloader.SetUrl(Url("files/note.txt?session=7#top"));
    downloader.SetDestinationPath(Destination("note.txt"));
    DownloadRecorder recorder;
    ASSERT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
    EXPECT_EQ("a small text file\r\n", ReadFileText(Destination("note.txt")));
    EXPECT_EQ(HttpDownloader::kDefaultUserAgent, downloader.UserAgent());

    std::vector<LoggedRequest> log = server_->RequestLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("GET", log[0].method);
    EXPECT_EQ("/files/note.txt?session=7", log[0].target);
    EXPECT_EQ("CORVANE::HttpDownloader", log[0].Header("User-Agent"));
    EXPECT_EQ("*/*", log[0].Header("Accept"));
    EXPECT_FALSE(log[0].HasHeader("Range"));

    server_->ClearLog();
    downloader.SetUserAgent("Other/1.0");
    DownloadRecorder again;
    ASSERT_EQ(kDownloadSucceeded, Fetch(downloader, again));
    log = server_->RequestLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("Other/1.0", log[0].Header("User-Agent"));
}

TEST_F(DownloadTest, ResumeOffsetAsksForTheRestOnly) {
    HttpDownloader downloader;
    downloader.SetUrl(Url("gen/3000"));
    downloader.SetDestinationPath(Destination());
    downloader.SetResumeOffset(1000);
    DownloadRecorder recorder;
    ASSERT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
    std::vector<LoggedRequest> log = server_->RequestLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("bytes=1000-", log[0].Header("Range"));
    // A 206 answer: the file holds only the remaining bytes.
    EXPECT_EQ(GeneratedBytes(3000, 1000), ReadFileText(Destination()));
    EXPECT_EQ(2000u, recorder.progress.back().contentLength);

    server_->ClearLog();
    downloader.SetResumeOffset(0);
    DownloadRecorder whole;
    ASSERT_EQ(kDownloadSucceeded, Fetch(downloader, whole));
    log = server_->RequestLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_FALSE(log[0].HasHeader("Range"));
    EXPECT_EQ(GeneratedBytes(3000), ReadFileText(Destination()));
}

TEST_F(DownloadTest, BodyWithoutContentLengthStillCompletes) {
    for (const char* path : {"no-length/gen/3000", "chunked/gen/3000"}) {
        SCOPED_TRACE(path);
        HttpDownloader downloader;
        downloader.SetUrl(Url(path));
        downloader.SetDestinationPath(Destination());
        DownloadRecorder recorder;
        ASSERT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
        EXPECT_EQ(GeneratedBytes(3000), ReadFileText(Destination()));
        for (const ProgressCall& call : recorder.progress) {
            EXPECT_FALSE(call.lengthKnown);
            EXPECT_EQ(0u, call.contentLength);
        }
    }
}

TEST_F(DownloadTest, FailuresLeaveTheDestinationAsItWas) {
    // An answer without a usable status line is refused at sending by some WinINet
    // builds and read as status 0 by others; either way it must be a failure.
    struct Case {
        std::string url;
        DownloadResult expected;
        DownloadResult alternative;
    };
    const Case cases[] = {
        {Url("status/404"), kDownloadHttpError, kDownloadHttpError},
        {Url("status/500"), kDownloadHttpError, kDownloadHttpError},
        {Url("status/302"), kDownloadHttpError, kDownloadHttpError},
        {Url("short/gen/6000"), kDownloadReadFailed, kDownloadReadFailed},
        {Url("slow/short/gen/3000"), kDownloadReadFailed, kDownloadReadFailed},
        {Url("short/no-such-file"), kDownloadHttpError, kDownloadHttpError},
        {Url("hang-up"), kDownloadConnectFailed, kDownloadHttpError},
        {Url("bad-status"), kDownloadNoStatus, kDownloadHttpError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        for (bool destinationExists : {true, false}) {
            if (destinationExists)
                ASSERT_TRUE(WriteTextFile(Destination(), "keep me"));
            else
                DeleteFileA(Destination().c_str());
            HttpDownloader downloader;
            downloader.SetUrl(c.url);
            downloader.SetDestinationPath(Destination());
            DownloadRecorder recorder;
            DownloadResult result = Fetch(downloader, recorder);
            EXPECT_TRUE(result == c.expected || result == c.alternative) << result;
            if (destinationExists)
                EXPECT_EQ("keep me", ReadFileText(Destination()));
            else
                EXPECT_FALSE(FileExists(Destination()));
            EXPECT_EQ(0, TemporaryFileCount());
        }
    }
}

TEST_F(DownloadTest, StatusNotificationsArePassedOnWithTheirHandle) {
    HttpDownloader downloader;
    // The server puts the query it received into its Location: the query went out.
    downloader.SetUrl(Url("redirect/gen/100?r=2"));
    downloader.SetDestinationPath(Destination());
    DownloadRecorder recorder;
    ASSERT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
    EXPECT_EQ(GeneratedBytes(100), ReadFileText(Destination()));
    EXPECT_TRUE(Contains(recorder.statuses, INTERNET_STATUS_CONNECTING_TO_SERVER));
    EXPECT_TRUE(Contains(recorder.statuses, INTERNET_STATUS_CONNECTED_TO_SERVER));
    EXPECT_TRUE(Contains(recorder.statuses, INTERNET_STATUS_REDIRECT));
    ASSERT_EQ(1u, recorder.redirects.size());
    EXPECT_NE(std::string::npos, recorder.redirects[0].find("/gen/100?r=2"));
    EXPECT_FALSE(recorder.nullStatusHandle);
}
