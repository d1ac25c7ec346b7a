// Results decided before or while the connection is made: the URL, the temporary file,
// the proxy mode, an unreachable server, and the final move.
#include "tests/update/DownloadFixture.h"

TEST_F(DownloadTest, UrlWithoutSchemeIsReadAsHttpAndKeepsTheLongerText) {
    HttpDownloader downloader;
    const std::string bare = "127.0.0.1:" + std::to_string(Port()) + "/gen/300";
    downloader.SetUrl(bare);
    downloader.SetDestinationPath(Destination());
    DownloadRecorder recorder;
    EXPECT_EQ(kDownloadSucceeded, Fetch(downloader, recorder));
    EXPECT_EQ("http://" + bare, downloader.Url());
    EXPECT_EQ(GeneratedBytes(300), ReadFileText(Destination()));
    EXPECT_EQ(Port(), downloader.Parts().port);

    // Text that cannot be split either way: result 3, nothing created.
    HttpDownloader broken;
    broken.SetUrl("not a url");
    broken.SetDestinationPath(Destination("broken.bin"));
    DownloadRecorder brokenRecorder;
    EXPECT_EQ(kDownloadBadUrl, Fetch(broken, brokenRecorder));
    EXPECT_EQ("http://not a url", broken.Url());
    EXPECT_TRUE(brokenRecorder.progress.empty());
    EXPECT_FALSE(FileExists(Destination("broken.bin")));
    EXPECT_EQ(0, TemporaryFileCount());
    EXPECT_TRUE(server_->RequestLog().empty() || server_->RequestLog().size() == 1u);
}

TEST_F(DownloadTest, UnknownProxyModeOpensNoSession) {
    HttpDownloader downloader;
    downloader.SetUrl(Url("gen/10"));
    downloader.SetDestinationPath(Destination());
    downloader.SetProxyMode(3);
    DownloadRecorder recorder;
    EXPECT_EQ(kDownloadNoInternet, Fetch(downloader, recorder));
    EXPECT_FALSE(FileExists(Destination()));
    EXPECT_EQ(0, TemporaryFileCount());
    EXPECT_TRUE(server_->RequestLog().empty());

    // Direct and named-proxy modes both reach the server.
    for (int mode : {HttpDownloader::kProxyDirect, HttpDownloader::kProxyNamed}) {
        SCOPED_TRACE(mode);
        server_->ClearLog();
        downloader.SetProxyMode(mode);
        downloader.SetProxyList("127.0.0.1:" + std::to_string(Port()));
        downloader.SetUrl("http://updates.hushbar.example/gen/10");
        if (mode == HttpDownloader::kProxyDirect) downloader.SetUrl(Url("gen/10"));
        DownloadRecorder reached;
        EXPECT_EQ(kDownloadSucceeded, Fetch(downloader, reached));
        std::vector<LoggedRequest> log = server_->RequestLog();
        ASSERT_EQ(1u, log.size());
        if (mode == HttpDownloader::kProxyNamed)
            EXPECT_TRUE(IsProxiedRequestFor("/gen/10", log[0].target)) << log[0].target;
        else
            EXPECT_EQ("/gen/10", log[0].target);
    }
}

TEST_F(DownloadTest, ClosedPortFailsToConnect) {
    int closedPort = 0;
    {
        TestHttpServer shortLived(contentRoot_);
        ASSERT_TRUE(shortLived.IsRunning());
        closedPort = shortLived.Port();
    }
    HttpDownloader downloader;
    downloader.SetUrl("http://127.0.0.1:" + std::to_string(closedPort) + "/gen/10");
    downloader.SetDestinationPath(Destination());
    ASSERT_TRUE(WriteTextFile(Destination(), "keep me"));
    DownloadRecorder recorder;
    EXPECT_EQ(kDownloadConnectFailed, Fetch(downloader, recorder));
    EXPECT_EQ("keep me", ReadFileText(Destination()));
    EXPECT_EQ(0, TemporaryFileCount());
}

TEST_F(DownloadTest, FileFailuresGiveResultFour) {
    // No usable temporary folder: nothing is sent.
    const std::string missing = tempFolder_ + "\\missing\\";
    SetEnvironmentVariableA("TMP", missing.c_str());
    SetEnvironmentVariableA("TEMP", missing.c_str());
    HttpDownloader downloader;
    downloader.SetUrl(Url("gen/10"));
    downloader.SetDestinationPath(Destination());
    DownloadRecorder recorder;
    EXPECT_EQ(kDownloadFileFailed, Fetch(downloader, recorder));
    EXPECT_TRUE(server_->RequestLog().empty());
    EXPECT_FALSE(FileExists(Destination()));

    // The body arrives but cannot be moved into a folder that does not exist; the
    // temporary file does not stay behind.
    SetEnvironmentVariableA("TMP", (tempFolder_ + "\\").c_str());
    SetEnvironmentVariableA("TEMP", (tempFolder_ + "\\").c_str());
    downloader.SetDestinationPath(destinationFolder_ + "\\no-such-folder\\out.bin");
    DownloadRecorder moveRecorder;
    EXPECT_EQ(kDownloadFileFailed, Fetch(downloader, moveRecorder));
    EXPECT_EQ(1u, server_->RequestLog().size());
    EXPECT_EQ(0, TemporaryFileCount());

    // A destination that is a folder cannot be replaced; the folder stays.
    const std::string folder = Destination("a-folder");
    CreateDirectoryA(folder.c_str(), nullptr);
    downloader.SetDestinationPath(folder);
    DownloadRecorder folderRecorder;
    EXPECT_EQ(kDownloadFileFailed, Fetch(downloader, folderRecorder));
    EXPECT_TRUE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(0, TemporaryFileCount());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(DownloadTest, CallbacksCanBeClearedAndTheDownloaderUsedAgain) {
    HttpDownloader downloader;
    DownloadRecorder recorder;
    recorder.Attach(downloader);
    downloader.ClearCallbacks();
    downloader.SetUrl(Url("gen/2000"));
    downloader.SetDestinationPath(Destination());
    EXPECT_EQ(0, downloader.RunNow());
    EXPECT_TRUE(recorder.results.empty());
    EXPECT_TRUE(recorder.progress.empty());
    EXPECT_TRUE(recorder.statuses.empty());
    EXPECT_EQ(GeneratedBytes(2000), ReadFileText(Destination()));
}
