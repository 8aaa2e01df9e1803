// Real KML files of other kinds (another project's test data, read where it lies): none of them
// is a camera log, none may crash the conversion or leave a file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "conversion/ConvertLogFile.h"

namespace nordavel {
namespace {

namespace fs = std::filesystem;

fs::path CorpusFolder() {
    std::string folder = NORDAVEL_KML_CORPUS;
#ifdef _WIN32
    // Under Wine the Linux root is drive Z:.
    if (!folder.empty() && folder.front() == '/') folder = "Z:" + folder;
#endif
    return fs::path(folder);
}

TEST(KmlCorpus, OtherKindsOfKmlAreNotCameraLogs) {
    const fs::path corpus = CorpusFolder();
    std::error_code error;
    if (corpus.empty() || !fs::is_directory(corpus, error))
        GTEST_SKIP() << "no KML corpus at " << corpus.string();

    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (entry.path().extension() != ".kml") continue;
        ++files;
        test::TempDir dir;
        const fs::path copy = dir.Path() / entry.path().filename();
        fs::copy_file(entry.path(), copy);
        const std::u8string name = copy.u8string();
        test::RecordingReport report;
        const ConversionOutcome outcome = ConvertLogFile(std::string(name.begin(), name.end()), {},
                                                         report, *CodePage::FromName("1252"));
        EXPECT_EQ(outcome.result, ConversionResult::NotCameraLog) << entry.path();
        EXPECT_EQ(test::FolderEntries(dir.Path()).size(), 1u) << entry.path();
    }
    EXPECT_GE(files, 20);
}

} // namespace
} // namespace nordavel
