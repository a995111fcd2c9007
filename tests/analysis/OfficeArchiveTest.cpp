#include "analysis/system/OfficeArchive.h"
#include "analysis/system/Descriptor.h"
#include "support/OfficeZip.h"

#include <gtest/gtest.h>

#include <array>
#include <future>
#include <map>
#include <regex>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace pagetally;
using namespace pagetally::test;
namespace fs = std::filesystem;

namespace {

using ExtractionTest = OfficeTest;

// Every regular file below `directory`, relative to it, with its contents.
std::map<std::string, std::string> tree(const fs::path& directory)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        if (entry.is_regular_file()) {
            files[entry.path().lexically_relative(directory).native()] = readFile(entry.path());
        }
    }
    return files;
}

} // namespace

TEST_F(ExtractionTest, UnpacksTheWholeContainerIntoAPrivateUuidDirectoryThatItsGuardRemoves)
{
    const auto file =
        zipFile("report.docx", {{"docProps/app.xml", "<Pages>2</Pages>", {}}, {"word/media/", "", {}}});
    ExtractionDirectory handedOver;
    fs::path seen;
    {
        ExtractionDirectory extracted = extractOfficeArchive(file);
        seen = extracted.path();
        EXPECT_EQ(seen.parent_path(), tmp);
        EXPECT_TRUE(std::regex_match(seen.filename().native(),
                                     std::regex("[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}")))
            << seen;
        EXPECT_EQ(tree(seen), (std::map<std::string, std::string>{
                                  {"docProps/app.xml", "<Pages>2</Pages>"},
                              }));
        EXPECT_TRUE(fs::is_directory(seen / "word" / "media"));
        // Private: the temporary directory is shared with other users.
        EXPECT_EQ(fs::status(seen).permissions() & fs::perms::all, fs::perms::owner_all);
        handedOver = std::move(extracted);
    }
    EXPECT_TRUE(fs::exists(seen));
    handedOver = ExtractionDirectory();
    EXPECT_FALSE(fs::exists(seen));

    // Folders stored without permissions are removed all the same.
    const auto locked = zipFile(
        "locked.docx",
        {{"locked/", "", 040000}, {"locked/inner/", "", 040500}, {"locked/inner/secret.txt", "s", 0100000}});
    seen = extractOfficeArchive(locked).path();
    EXPECT_FALSE(fs::exists(seen));
}

TEST_F(ExtractionTest, FileNamesReachUnzipUnchangedAndAreNeverExpandedOrSuffixed)
{
    // unzip reads its archive argument as a wildcard pattern and tries NAME.zip for a missing
    // NAME: each of these names would have unpacked another file or two files at once.
    const std::vector<std::vector<std::string>> groups{
        {"Report [final].docx", "Report f.docx"},
        {"q?.pptx", "qa.pptx", "qb.pptx"},
        {"back\\[x].docx", "back\\x.docx", "backx.docx"},
        {"it's \"quoted\" Überblick 报告.docx"},
        {"-d.docx"},
    };
    for (const auto& group : groups) {
        for (const auto& name : group) {
            zipFile(name, {{"name.txt", name, {}}});
        }
        for (const auto& name : group) {
            SCOPED_TRACE(name);
            EXPECT_EQ(tree(extractOfficeArchive(in / name).path()),
                      (std::map<std::string, std::string>{{"name.txt", name}}));
        }
    }
    zipFile("Report.zip", {{"name.txt", "the other file", {}}});
    EXPECT_THROW(extractOfficeArchive(in / "Report"), std::system_error);
}

TEST_F(ExtractionTest, FailuresNameTheFileAndTheReasonAndLeaveNothingBehind)
{
    const auto file = zipFile("fine.docx", {{"a.txt", "a", {}}});
    fs::create_directory(in / "folder.docx");
    ::mkfifo((in / "pipe.docx").c_str(), 0600);
    const std::vector<std::tuple<fs::path, fs::path, std::string>> cases{
        {file, "/nonexistent/unzip", "cannot start /nonexistent/unzip: No such file or directory"},
        {in / "missing.docx", defaultUnzipProgram,
         "cannot open " + (in / "missing.docx").native() + ": No such file or directory"},
        {in / "folder.docx", defaultUnzipProgram,
         "cannot unpack " + (in / "folder.docx").native() + ": Is a directory"},
        {in / "pipe.docx", defaultUnzipProgram,
         "cannot unpack " + (in / "pipe.docx").native() + ": not a regular file"},
    };
    for (const auto& [location, unzip, message] : cases) {
        SCOPED_TRACE(location.native() + " with " + unzip.native());
        try {
            extractOfficeArchive(location, unzip);
            ADD_FAILURE() << "no failure";
        } catch (const std::exception& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
    // A temporary directory that is a file: no extraction directory can be made in it.
    writeFile(scratch.path() / "plain-file", "");
    ::setenv("TMPDIR", (scratch.path() / "plain-file").c_str(), 1);
    EXPECT_THROW(extractOfficeArchive(file), std::system_error);
    ::setenv("TMPDIR", tmp.c_str(), 1);
}

TEST_F(ExtractionTest, AContainerLibzipCannotReadIsRefusedBeforeADirectoryIsMadeOrUnzipRuns)
{
    // unzip finds the entries behind a prefix of junk; the entry limit could not be checked.
    const auto file = zipFile("prefixed.pptx", {slide(1, "one")});
    writeFile(file, std::string(1024, 'J') + readFile(file));
    const auto marker = scratch.path() / "unzip-ran";
    const auto unzip = in / "marking-unzip";
    writeFile(unzip, "#!/bin/sh\ntouch '" + marker.native() + "'\n");
    fs::permissions(unzip, fs::perms::owner_all);
    const Descriptor watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_GE(::inotify_add_watch(watch.get(), tmp.c_str(), IN_CREATE), 0);
    try {
        extractOfficeArchive(file, unzip);
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "cannot unpack " + file.native() +
                                                 ": not a zip archive libzip can read (Not a zip archive)");
    }
    EXPECT_FALSE(fs::exists(marker));
    std::array<char, 4096> events{};
    EXPECT_LT(::read(watch.get(), events.data(), events.size()), 0); // nothing was created in tmp
}

TEST_F(ExtractionTest, UnzipGetsFourArgumentsNullInputItsOwnSessionAndTheFileItself)
{
    // A stand-in for unzip that writes down how it was started.
    const auto recorder = in / "recording-unzip";
    writeFile(recorder, "#!/bin/sh\n"
                        "printf '%s\\n' \"$#\" \"$@\" > \"$4/arguments\"\n"
                        "readlink /proc/self/fd/0 > \"$4/stdin\"\n"
                        "read -r pid comm state ppid pgrp sid rest < /proc/$$/stat\n"
                        "[ \"$sid\" = \"$$\" ] && echo leader > \"$4/session\"\n"
                        "cat /dev/fd/3 > \"$4/archive\"\n");
    fs::permissions(recorder, fs::perms::owner_all);
    const auto file = zipFile("Report [final].docx", {{"a.txt", "a", {}}});

    const ExtractionDirectory extracted = extractOfficeArchive(file, recorder);
    const auto& dir = extracted.path().native();
    EXPECT_EQ(readFile(extracted.path() / "arguments"), "4\n-q\n/dev/fd/3\n-d\n" + dir + "\n");
    EXPECT_EQ(readFile(extracted.path() / "stdin"), "/dev/null\n");
    EXPECT_EQ(readFile(extracted.path() / "session"), "leader\n");
    EXPECT_EQ(readFile(extracted.path() / "archive"), readFile(file));
}

TEST_F(ExtractionTest, AContainerThatInflatesBeyondWhatItDeclaresIsStoppedWhileUnpacking)
{
    const ExtractionLimits small{.floor = std::uint64_t(1) << 20, .ratio = 1, .freeSpaceMargin = 0};
    const std::string zeros(std::size_t(16) << 20, '\0');
    const auto honest = zipFile("honest.docx", {{"media/zeros.bin", zeros, {}}});
    const auto lying = zipFile("lying.docx", {{"media/zeros.bin", zeros, {}}});
    stateUncompressedSize(lying, 1000);
    const auto greedy = zipFile("fine.docx", {{"a.txt", "ab", {}}});
    const ExtractionLimits noRoom{.freeSpaceMargin = std::uint64_t(1) << 62};

    for (const auto& [file, limits, reason] :
         {std::tuple{honest, small,
                     "its entries add up to 16.0 MiB, more than the 1.0 MiB allowed for its size"},
          std::tuple{lying, small, "it unpacks to more than the 1.0 MiB allowed for its size"},
          std::tuple{greedy, noRoom,
                     "its entries add up to 2 bytes, more than 0 bytes, which would leave less than 4.0 EiB "
                     "free in the temporary directory"}}) {
        try {
            extractOfficeArchive(file, defaultUnzipProgram, limits);
            ADD_FAILURE() << "no failure for " << file;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "refusing to unpack " + file.native() + ": " + reason);
        }
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }

    // Within the limits both unpack; the lying one writes what its data inflates to.
    const ExtractionLimits roomy{.floor = std::uint64_t(32) << 20, .ratio = 1, .freeSpaceMargin = 0};
    for (const fs::path& file : {honest, lying}) {
        const ExtractionDirectory extracted = extractOfficeArchive(file, defaultUnzipProgram, roomy);
        EXPECT_EQ(fs::file_size(extracted.path() / "media/zeros.bin"), zeros.size());
    }
}

TEST(ExtractionAllowance, IsTheLargerOfTheFloorAndTheRatioWithinTheFreeSpace)
{
    constexpr std::uint64_t MiB = std::uint64_t(1) << 20;
    constexpr std::uint64_t plenty = std::uint64_t(1) << 50;
    for (const auto& [size, freeSpace, allowance] :
         std::vector<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>>{
             {20 * MiB, plenty, 2000 * MiB}, // above the 1 GiB floor: a hundred times the size
             {MiB, 1024 * MiB, 768 * MiB},   // the free space less the 256 MiB margin
             {MiB, 200 * MiB, 0},            // less free than the margin: nothing
             {UINT64_MAX / 2, UINT64_MAX, UINT64_MAX - 256 * MiB}, // no overflow
         }) {
        EXPECT_EQ(extractionAllowance(size, freeSpace, {}), allowance) << size << " " << freeSpace;
    }
}
