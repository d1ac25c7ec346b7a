// Answers 401 and 407: credentials from the URL or the proxy settings are sent again a
// bounded number of times; without credentials the refusal is a failure, not a body.
#include "tests/update/DownloadFixture.h"

namespace {

int CountTargets(const std::vector<LoggedRequest>& log, const std::string& target) {
    int count = 0;
    for (const LoggedRequest& request : log) count += request.target == target ? 1 : 0;
    return count;
}

}  // namespace

TEST_F(DownloadTest, ServerCredentialsComeFromTheUrl) {
    const std::string host = "127.0.0.1:" + std::to_string(Port());
    HttpDownloader downloader;
    downloader.SetPromptForServerCredentials(false);
    downloader.SetUrl("http://hush:bar@" + host + "/auth/hush/bar/gen/700");
    downloader.SetDestinationPath(Destination());
    DownloadRecorder recorder;
    EXPECT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
    EXPECT_EQ(GeneratedBytes(700), ReadFileText(Destination()));
    std::vector<LoggedRequest> log = server_->RequestLog();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(log.back().HasHeader("Authorization"));

    // Wrong credentials: sent again a few times, then given up.
    server_->ClearLog();
    downloader.SetUrl("http://hush:wrong@" + host + "/auth/hush/bar/gen/700");
    downloader.SetDestinationPath(Destination("denied.bin"));
    DownloadRecorder wrong;
    EXPECT_EQ(kDownloadHttpError, Fetch(downloader, wrong));
    EXPECT_FALSE(FileExists(Destination("denied.bin")));
    const int tries = CountTargets(server_->RequestLog(), "/auth/hush/bar/gen/700");
    // One send and at most three more with the credentials; within each send the
    // library may answer the challenge once by itself.
    EXPECT_GE(tries, 3);
    EXPECT_LE(tries, 8);
    EXPECT_EQ(0, TemporaryFileCount());
}

TEST_F(DownloadTest, RefusalWithoutCredentialsIsAFailureNotABody) {
    for (bool prompt : {false, true}) {
        SCOPED_TRACE(prompt);
        ASSERT_TRUE(WriteTextFile(Destination(), "keep me"));
        HttpDownloader downloader;
        // With no owner window the platform's prompt cannot appear; it is declined.
        downloader.SetPromptForServerCredentials(prompt);
        downloader.SetUrl(Url("auth/hush/bar/gen/700"));
        downloader.SetDestinationPath(Destination());
        DownloadRecorder recorder;
        EXPECT_EQ(kDownloadHttpError, Fetch(downloader, recorder));
        EXPECT_EQ("keep me", ReadFileText(Destination()));
        EXPECT_EQ(0, TemporaryFileCount());
    }
}

TEST_F(DownloadTest, ProxyCredentialsComeFromTheProxySettings) {
    const std::string target = "http://updates.hushbar.example/proxy-auth/hush/bar/gen/900";
    HttpDownloader downloader;
    downloader.SetProxyMode(HttpDownloader::kProxyNamed);
    downloader.SetProxyList("127.0.0.1:" + std::to_string(Port()));
    downloader.SetPromptForProxyCredentials(false);
    downloader.SetUrl(target);
    downloader.SetDestinationPath(Destination());

    DownloadRecorder refused;
    EXPECT_EQ(kDownloadHttpError, Fetch(downloader, refused));
    EXPECT_FALSE(FileExists(Destination()));

    server_->ClearLog();
    downloader.SetProxyUserName("hush");
    downloader.SetProxyPassword("bar");
    DownloadRecorder accepted;
    EXPECT_EQ(kDownloadSucceeded, Fetch(downloader, accepted));
    EXPECT_EQ(GeneratedBytes(900), ReadFileText(Destination()));
    std::vector<LoggedRequest> log = server_->RequestLog();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(IsProxiedRequestFor("/proxy-auth/hush/bar/gen/900", log.back().target))
        << log.back().target;
    EXPECT_TRUE(log.back().HasHeader("Proxy-Authorization"));
    EXPECT_EQ(0, TemporaryFileCount());
}
