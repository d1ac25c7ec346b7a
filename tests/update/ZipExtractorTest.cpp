#include "update/ZipExtractor.h"

#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

TEST(ZipExtractor, OpensAnArchiveAndTakesItsFolderAsOutput) {
    ScratchFolder scratch("zip-open");
    ASSERT_TRUE(ZipArchiveWriter().AddFile("a.txt", "A").AddFile("b.txt", "B").WriteTo(scratch / "two.zip"));
    ASSERT_TRUE(WriteTextFile(scratch / "not.zip", "this is no archive at all"));

    ZipExtractor zip;
    EXPECT_FALSE(zip.Open(nullptr));
    EXPECT_FALSE(zip.Open(""));
    EXPECT_FALSE(zip.Open((scratch / "missing.zip").c_str()));
    EXPECT_FALSE(zip.Open((scratch / "not.zip").c_str()));
    EXPECT_EQ(0u, zip.GetEntryCount());
    EXPECT_FALSE(zip.ExtractAll(true));

    ASSERT_TRUE(zip.Open((scratch / "two.zip").c_str()));
    EXPECT_EQ(scratch.Path(), zip.OutputFolder());
    EXPECT_EQ(2u, zip.GetEntryCount());
    ArchiveEntryInfo info;
    ASSERT_TRUE(zip.GoToFirst());
    ASSERT_TRUE(zip.GetCurrentEntryInfo(info));
    EXPECT_EQ("a.txt", info.name);
    EXPECT_TRUE(zip.GoToNext());
    EXPECT_FALSE(zip.GoToNext());

    zip.Close();
    EXPECT_FALSE(zip.IsOpen());
    EXPECT_EQ("", zip.OutputFolder());
}

TEST(ZipExtractor, FlattensSubFolderEntriesButStillCreatesFolderEntries) {
    ScratchFolder scratch("zip-flat");
    ZipArchiveWriter archive;
    archive.AddFolder("data/")
        .AddFile("data/objects.dll", std::string(5000, 'x') + "end of list", ZipArchiveWriter::kDefaultDosTime, true)
        .AddFile("data/deeper/latest.xml", "<hushbar/>")
        .AddFile("readme.txt", "top");
    ASSERT_TRUE(archive.WriteTo(scratch / "pkg.zip"));

    ZipExtractor flat((scratch / "pkg.zip").c_str());
    ASSERT_TRUE(flat.SetOutputFolder((scratch / "flat").c_str()));
    ASSERT_TRUE(flat.ExtractAll(true));
    EXPECT_EQ(std::string(5000, 'x') + "end of list", ReadTextFile(scratch / "flat\\objects.dll"));
    EXPECT_EQ("<hushbar/>", ReadTextFile(scratch / "flat\\latest.xml"));
    EXPECT_EQ("top", ReadTextFile(scratch / "flat\\readme.txt"));
    EXPECT_TRUE(FolderExists(scratch / "flat\\data"));
    EXPECT_FALSE(FileExists(scratch / "flat\\data\\objects.dll"));
    EXPECT_FALSE(FolderExists(scratch / "flat\\data\\deeper"));
    EXPECT_EQ(3u, flat.WrittenFiles().size());

    ZipExtractor nested((scratch / "pkg.zip").c_str());
    ASSERT_TRUE(nested.SetOutputFolder((scratch / "nested\\").c_str()));
    ASSERT_TRUE(nested.ExtractAll(false));
    EXPECT_EQ("<hushbar/>", ReadTextFile(scratch / "nested\\data\\deeper\\latest.xml"));
    EXPECT_TRUE(FileExists(scratch / "nested\\data\\objects.dll"));
    EXPECT_FALSE(FileExists(scratch / "nested\\objects.dll"));
}

TEST(ZipExtractor, FailsOnAnEmptyArchiveAndStopsAtADamagedEntry) {
    ScratchFolder scratch("zip-bad");
    // The library cannot even open a bare empty archive; with a stub in front (as a
    // self-extractor has) it opens and then holds nothing to extract.
    ASSERT_TRUE(ZipArchiveWriter().WriteTo(scratch / "empty.zip"));
    ZipExtractor empty((scratch / "empty.zip").c_str());
    EXPECT_FALSE(empty.ExtractAll(true));
    ASSERT_TRUE(WriteTextFile(scratch / "stub.zip", std::string(16, 'S') + ZipArchiveWriter().Bytes()));
    ASSERT_TRUE(empty.Open((scratch / "stub.zip").c_str()));
    EXPECT_EQ(0u, empty.GetEntryCount());
    EXPECT_FALSE(empty.ExtractAll(true));

    ZipArchiveWriter archive;
    archive.AddFile("first.txt", "good").AddFile("broken.txt", "bytes that do not match").BreakLastCrc();
    archive.AddFile("last.txt", "never reached");
    ASSERT_TRUE(archive.WriteTo(scratch / "crc.zip"));
    ZipExtractor zip((scratch / "crc.zip").c_str());
    ASSERT_TRUE(zip.SetOutputFolder((scratch / "out").c_str()));
    EXPECT_FALSE(zip.ExtractAll(true));
    EXPECT_EQ("good", ReadTextFile(scratch / "out\\first.txt"));
    EXPECT_FALSE(FileExists(scratch / "out\\last.txt"));
    EXPECT_EQ(1u, zip.WrittenFiles().size());

    // A damaged deflate stream fails as well.
    std::string bytes = ZipArchiveWriter().AddFile("z.txt", std::string(3000, 'q'), 0, true).Bytes();
    bytes[30 + 5 + 2] ^= 0x7F;  // inside the compressed data, after the 30-byte header and the name
    ASSERT_TRUE(WriteTextFile(scratch / "deflate.zip", bytes));
    ZipExtractor deflated((scratch / "deflate.zip").c_str());
    EXPECT_FALSE(deflated.ExtractAll(true));
}

TEST(ZipExtractor, ReplacesAnExistingFileAndRestoresTheEntryTime) {
    ScratchFolder scratch("zip-time");
    ASSERT_TRUE(WriteTextFile(scratch / "objects.dll", "old list that is longer than the new one"));
    ASSERT_TRUE(ZipArchiveWriter().AddFile("objects.dll", "new list").WriteTo(scratch / "pkg.zip"));

    ZipExtractor zip((scratch / "pkg.zip").c_str());
    ASSERT_TRUE(zip.ExtractAll(true));
    EXPECT_EQ("new list", ReadTextFile(scratch / "objects.dll"));

    // The entry says 2021-06-15 13:45:30 local time; both times must read that back.
    HANDLE file = ::CreateFileA((scratch / "objects.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    FILETIME created{}, accessed{}, written{};
    ASSERT_TRUE(::GetFileTime(file, &created, &accessed, &written));
    ::CloseHandle(file);
    for (const FILETIME& utc : {created, written}) {
        FILETIME local{};
        SYSTEMTIME at{};
        ASSERT_TRUE(::FileTimeToLocalFileTime(&utc, &local));
        ASSERT_TRUE(::FileTimeToSystemTime(&local, &at));
        EXPECT_EQ(2021, at.wYear);
        EXPECT_EQ(6, at.wMonth);
        EXPECT_EQ(15, at.wDay);
        EXPECT_EQ(13, at.wHour);
        EXPECT_EQ(45, at.wMinute);
        EXPECT_EQ(30, at.wSecond);
    }
    EXPECT_FALSE(SetFileTimeFromDos((scratch / "missing.txt").c_str(), ZipArchiveWriter::kDefaultDosTime));
}

TEST(ZipExtractor, RefusesNamesThatLeaveTheOutputFolder) {
    EXPECT_TRUE(IsSafeEntryName("objects.dll"));
    EXPECT_TRUE(IsSafeEntryName("data\\objects.dll"));
    EXPECT_TRUE(IsSafeEntryName("data\\"));
    EXPECT_TRUE(IsSafeEntryName("a..b\\..c"));
    EXPECT_FALSE(IsSafeEntryName(""));
    EXPECT_FALSE(IsSafeEntryName("..\\evil.txt"));
    EXPECT_FALSE(IsSafeEntryName("data/../../evil.txt"));
    EXPECT_FALSE(IsSafeEntryName("data\\..."));
    EXPECT_FALSE(IsSafeEntryName(".. \\evil.txt"));
    EXPECT_FALSE(IsSafeEntryName("\\evil.txt"));
    EXPECT_FALSE(IsSafeEntryName("C:evil.txt"));
    EXPECT_FALSE(IsSafeEntryName("C:\\evil.txt"));
    EXPECT_FALSE(IsSafeEntryName("objects.dll:stream"));

    ScratchFolder scratch("zip-escape");
    const char* hostile[][2] = {{"../evil.txt", ""}, {"sub/../../evil.txt", ""}, {"/evil.txt", ""},
                                {"Z:evil.txt", ""}, {"../escape/", "folder"},
                                // Device names pass the name check; where they lead is
                                // only seen once the system has read the whole path.
                                {"NUL", ""}, {"data/AUX", ""}, {"COM1.txt", ""}};
    for (const auto& name : hostile) {
        ZipArchiveWriter archive;
        if (*name[1])
            archive.AddFolder(name[0]);
        else
            archive.AddFile(name[0], "payload");
        ASSERT_TRUE(archive.WriteTo(scratch / "hostile.zip"));
        for (bool ignoreFolders : {true, false}) {
            ZipExtractor zip((scratch / "hostile.zip").c_str());
            ASSERT_TRUE(zip.SetOutputFolder((scratch / "out\\inner").c_str()));
            EXPECT_FALSE(zip.ExtractAll(ignoreFolders)) << name[0];
            EXPECT_TRUE(zip.WrittenFiles().empty()) << name[0];
        }
        EXPECT_FALSE(FileExists(scratch / "out\\evil.txt")) << name[0];
        EXPECT_FALSE(FileExists(scratch / "evil.txt")) << name[0];
        EXPECT_FALSE(FolderExists(scratch / "out\\escape")) << name[0];
    }
}

TEST(ZipExtractor, OutputFolderMustNotBeAFile) {
    ScratchFolder scratch("zip-folder");
    ASSERT_TRUE(WriteTextFile(scratch / "plain.txt", "x"));
    ASSERT_TRUE(ZipArchiveWriter().AddFile("a.txt", "A").WriteTo(scratch / "a.zip"));

    ZipExtractor zip((scratch / "a.zip").c_str());
    EXPECT_FALSE(zip.SetOutputFolder((scratch / "plain.txt").c_str()));
    EXPECT_EQ(scratch.Path(), zip.OutputFolder());
    EXPECT_FALSE(zip.SetOutputFolder((scratch / "plain.txt\\below").c_str()));

    EXPECT_TRUE(zip.SetOutputFolder((scratch / "new\\deep\\er").c_str()));
    EXPECT_TRUE(FolderExists(scratch / "new\\deep\\er"));
    EXPECT_TRUE(CreateFolderPath((scratch / "trailing\\slash\\").c_str()));
    EXPECT_TRUE(FolderExists(scratch / "trailing\\slash"));
    EXPECT_TRUE(CreateFolderPath(scratch.Path().c_str()));
    EXPECT_FALSE(CreateFolderPath(""));
    EXPECT_FALSE(CreateFolderPath((scratch / "plain.txt").c_str()));
}

TEST(ZipExtractor, EntryFilterSkipsWhatItTurnsDown) {
    ScratchFolder scratch("zip-filter");
    ZipArchiveWriter archive;
    archive.AddFolder("bin/").AddFile("bin/tool.exe", "MZ").AddFile("Objects.DLL", "list").AddFile("notes.txt", "n");
    ASSERT_TRUE(archive.WriteTo(scratch / "pkg.zip"));

    ZipExtractor zip((scratch / "pkg.zip").c_str());
    zip.SetEntryFilter([](const ArchiveEntryInfo& entry) { return entry.name == "Objects.DLL"; });
    ASSERT_TRUE(zip.SetOutputFolder((scratch / "out").c_str()));
    ASSERT_TRUE(zip.ExtractAll(true));
    EXPECT_EQ("list", ReadTextFile(scratch / "out\\Objects.DLL"));
    EXPECT_FALSE(FileExists(scratch / "out\\tool.exe"));
    EXPECT_FALSE(FileExists(scratch / "out\\notes.txt"));
    EXPECT_FALSE(FolderExists(scratch / "out\\bin"));
    ASSERT_EQ(1u, zip.WrittenFiles().size());
}
