// The tag scanner: every operation's result, and what it leaves for the next one.
#include <gtest/gtest.h>

#include <memory>

#include "TestSupport.h"
#include "conversion/LogScanner.h"
#include "platform/IoError.h"

namespace nordavel {
namespace {

using test::MemorySource;

// Bytes exactly as given, for logs whose line ends matter.
struct Raw {
    std::string bytes;
};

// A scanner over lines joined with CR LF, or over raw bytes.
class Scan {
public:
    explicit Scan(const std::vector<std::string>& lines, std::size_t failAt = std::string::npos,
                  const char* codePage = "1252") {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + "\r\n";
        source_ = std::make_unique<MemorySource>(bytes, 5, failAt);
        reader_ = std::make_unique<TextReader>(*source_, *CodePage::FromName(codePage),
                                               TextReader::LetterCase::Lower);
        scanner_ = std::make_unique<LogScanner>(*reader_);
    }
    Scan(std::initializer_list<std::string> lines, std::size_t failAt = std::string::npos,
         const char* codePage = "1252")
        : Scan(std::vector<std::string>(lines), failAt, codePage) {}
    explicit Scan(Raw raw) {
        source_ = std::make_unique<MemorySource>(std::move(raw.bytes), 5);
        reader_ = std::make_unique<TextReader>(*source_, *CodePage::FromName("1252"),
                                               TextReader::LetterCase::Lower);
        scanner_ = std::make_unique<LogScanner>(*reader_);
    }
    LogScanner* operator->() { return scanner_.get(); }
    // The scanner's texts as strings, each tag made for the one call.
    std::string ElementText(std::string_view tag) {
        std::string text;
        scanner_->ElementText(ElementTag(tag), text);
        return text;
    }
    std::string DescriptionText(std::string_view tag) {
        std::string text;
        scanner_->DescriptionText(ElementTag(tag), text);
        return text;
    }
    std::string NestedElementText(std::string_view outer, std::string_view inner) {
        return std::string(scanner_->NestedElementTextView(outer, ElementTag(inner)));
    }
    bool AtEnd() { return reader_->AtEnd(); }

private:
    std::unique_ptr<MemorySource> source_;
    std::unique_ptr<TextReader> reader_;
    std::unique_ptr<LogScanner> scanner_;
};

const std::vector<std::string> kPlacemark = {
    "<Placemark>",
    "<name>P12</name>",
    "<description>Walk<br>(2023/07/06 10:15:30)</description>",
    "<Point><coordinates>139.70,35.60,12</coordinates></Point>",
    "</Placemark>",
};

TEST(LogScanner, WorkedExampleStepByStep) {
    std::vector<std::string> lines = kPlacemark;
    lines.insert(lines.end(), {"<Placemark>", "<name>P13</name>"});
    Scan scan(lines);
    EXPECT_EQ(scan.ElementText("<name>"), "12");
    EXPECT_EQ(scan.DescriptionText("<description>"), "2023/07/06 10:15:30");
    EXPECT_EQ(scan.NestedElementText("<point>", "<coordinates>"), "139.70,35.60,12");
    EXPECT_EQ(scan->ReadUntil(">"), "/point") << "the '<' after the closing tag goes with it";
    EXPECT_EQ(scan.ElementText("<name>"), "13");
}

TEST(LogScanner, CapitalsAreScannedAndComeBackLowerCased) {
    Scan scan({"<NAME>12A</NAME>", "<DESCRIPTION>x<BR>(2023/07/06 AM)</DESCRIPTION>",
               "<Point><COORDINATES>1.5E+2,35.6,0</COORDINATES></Point>"});
    EXPECT_EQ(scan.ElementText("<name>"), "12a");
    EXPECT_EQ(scan.DescriptionText("<description>"), "2023/07/06 am");
    EXPECT_EQ(scan.NestedElementText("<point>", "<coordinates>"), "1.5e+2,35.6,0");
    // Only A to Z change: other letters stay as they are.
    Scan accents({"<name>7 \xC9\xE9</name>"});
    EXPECT_EQ(accents.ElementText("<name>"), "7 \xC3\x89\xC3\xA9");
}

TEST(LogScanner, FindTextKeepsTheTextFoundAndReachesTheLastLine) {
    Scan scan(Raw{"<kml>\r\n<Document>\r\n  <name>Exilim Log</name><x>"});
    EXPECT_TRUE(scan->FindText("<name>exilim log</name>"));
    EXPECT_EQ(scan->ReadUntil("</name>"), "<name>exilim log");

    Scan empty(Raw{""});
    EXPECT_FALSE(empty->FindText("<kml>"));

    Scan missing({"<a>", "<b>"});
    EXPECT_FALSE(missing->FindText("<c>"));
    EXPECT_TRUE(missing->FindText("<b>")) << "the last line read stays";
}

TEST(LogScanner, TagsAreFoundOnlyWholeOnOneLine) {
    Scan split({"<na", "me>5</name>", "<name>6</name>"});
    EXPECT_EQ(split.ElementText("<name>"), "6");
    Scan attribute({"<Point id=\"a\"><coordinates>1,2,3</coordinates></Point>", "<name >7</name>",
                    "<Point><coordinates>4,5,6</coordinates>"});
    EXPECT_EQ(attribute.NestedElementText("<point>", "<coordinates>"), "4,5,6");
}

TEST(LogScanner, SkipPastTagStepsOverBlankLines) {
    Scan scan({"<description>", "", "   \t", "  Walk  ", "x"});
    EXPECT_TRUE(scan->SkipPastTag("<description>"));
    EXPECT_EQ(scan->ReadUntil("x"), "walk") << "blanks around the text are dropped";

    Scan onlyBlanks({"<description>  ", "", "  "});
    EXPECT_FALSE(onlyBlanks->SkipPastTag("<description>"));
    EXPECT_TRUE(onlyBlanks.AtEnd());
}

TEST(LogScanner, ElementTextStartsAtTheFirstDigit) {
    Scan scan({"<name>start</name>", "<name>Point 7 a</name>", "<name>multi", "line 9</name>"});
    EXPECT_EQ(scan.ElementText("<name>"), "");
    EXPECT_EQ(scan.ElementText("<name>"), "7 a");
    EXPECT_EQ(scan.ElementText("<name>"), "9") << "lines are joined with nothing between";
}

TEST(LogScanner, DescriptionVariants) {
    Scan twoLines({"<description>Walk", "<br>(2023/07/06 10:15:30)</description>"});
    EXPECT_EQ(twoLines.DescriptionText("<description>"), "2023/07/06 10:15:30");

    Scan noBracket({"<description>a<br> 10:15 ) rest</description>"});
    EXPECT_EQ(noBracket.DescriptionText("<description>"), "10:15");

    Scan empty({"<description></description><name>1</name>"});
    EXPECT_EQ(empty.DescriptionText("<description>"), "");
    EXPECT_EQ(empty->ReadUntil("</name>"), "name>1") << "ReadUntil took the '<' after the tag";
}

TEST(LogScanner, DescriptionWithoutBrTakesTheNextPlacemarks) {
    Scan scan({"<name>1</name>", "<description>a<br/>(2023/01/01 00:00:01)</description>",
               "<Point><coordinates>1,1,1</coordinates></Point>", "<name>2</name>",
               "<description>b<br>(2023/01/01 00:00:02)</description>",
               "<Point><coordinates>2,2,2</coordinates></Point>"});
    EXPECT_EQ(scan.ElementText("<name>"), "1");
    EXPECT_EQ(scan.DescriptionText("<description>"), "2023/01/01 00:00:02");
    EXPECT_EQ(scan.NestedElementText("<point>", "<coordinates>"), "2,2,2");

    Scan never({"<description>a<br/>(x)</description>", "<name>2</name>"});
    EXPECT_EQ(never.DescriptionText("<description>"), "");
    EXPECT_TRUE(never.AtEnd());
}

TEST(LogScanner, ClosingTagTakesTheNextCharacter) {
    // "</name><description>" loses its "<": the next placemark's description is found.
    Scan scan({"<name>12</name><description>a<br>(first)</description>",
               "<description>b<br>(second)</description>"});
    EXPECT_EQ(scan.ElementText("<name>"), "12");
    EXPECT_EQ(scan.DescriptionText("<description>"), "second");

    // A description followed on its line by "<Point>" drops it; a later one is used.
    Scan dropped({"<description>a<br>(t)</description> <Point><coordinates>1,1,1</coordinates>",
                  "<Point><coordinates>2,2,2</coordinates>"});
    EXPECT_EQ(dropped.DescriptionText("<description>"), "t");
    EXPECT_EQ(dropped.NestedElementText("<point>", "<coordinates>"), "2,2,2");

    // A double-byte character after a closing tag goes whole.
    Scan wide({"<name>1</name>\x83\x41<p>"}, std::string::npos, "932");
    EXPECT_EQ(wide.ElementText("<name>"), "1");
    EXPECT_EQ(wide->ReadUntil(">"), "<p");
}

TEST(LogScanner, ReadUntilJoinsLinesAndKeepsEverythingWhenTheMarkerNeverComes) {
    Scan scan({"<coordinates>1,", "2,", "3</coord", "inates>after"});
    EXPECT_TRUE(scan->SkipPastTag("<coordinates>"));
    EXPECT_EQ(scan->ReadUntil("</coordinates>"), "1,2,3") << "the marker may span a line end";
    EXPECT_EQ(scan->ReadUntil("er"), "ft") << "the 'a' after the marker went with it";
    EXPECT_FALSE(scan->FindText("r")) << "a marker at the end takes nothing more";

    Scan never({"<coordinates>1,", "2,", "3"});
    EXPECT_TRUE(never->SkipPastTag("<coordinates>"));
    EXPECT_EQ(never->ReadUntil("</coordinates>"), "");
    EXPECT_EQ(never->ReadUntil(","), "1") << "the lines joined are kept";
}

TEST(LogScanner, CtrlZEndsTheLog) {
    Scan scan(Raw{std::string("<name>1</name>\r\n\x1A<name>2</name>\r\n")});
    EXPECT_EQ(scan.ElementText("<name>"), "1");
    EXPECT_EQ(scan.ElementText("<name>"), "");
    EXPECT_TRUE(scan.AtEnd());
}

TEST(LogScanner, ReadErrorsPassOn) {
    // The source fails after 40 bytes, in the middle of the second line: an operation that needs
    // what lies beyond must not pass a log it could not read for one without the tag.
    Scan scan({"<name>1</name> <name>2</name>", "<name>33333333333333</name>", "<name>4</name>"},
              40);
    EXPECT_EQ(scan.ElementText("<name>"), "1");
    EXPECT_EQ(scan.ElementText("<name>"), "2");
    EXPECT_THROW(scan.ElementText("<name>"), IoError);
    EXPECT_THROW(scan->FindText("<name>"), IoError);
    EXPECT_THROW(scan->SkipPastTag("<name>"), IoError);
    EXPECT_THROW(scan.DescriptionText("<description>"), IoError);
    EXPECT_THROW(scan.NestedElementText("<point>", "<coordinates>"), IoError);

    Scan fromTheStart({"<name>exilim log</name>"}, 0);
    EXPECT_THROW(fromTheStart->FindText("<name>exilim log</name>"), IoError);
}

TEST(LogScanner, TextJoinedPastTheLineLimitIsRefused) {
    // Every line is short, but an element that never closes would join the rest of the log.
    // `lines` lines of 1000 bytes inside one name element, read with a limit of 128 KiB.
    const auto elementText = [](int lines) {
        std::string bytes = "<name>1\r\n";
        for (int i = 0; i < lines; ++i)
            bytes += std::string(1000, 'x') + "\r\n";
        bytes += "</name>\r\n";
        MemorySource source(bytes, 4096);
        TextReader reader(source, *CodePage::FromName("1252"), TextReader::LetterCase::Lower,
                          128 * 1024);
        std::string text;
        LogScanner(reader).ElementText(ElementTag("<name>"), text);
        return text;
    };
    EXPECT_THROW(elementText(300), LineTooLong);
    // Just under the limit the element is read whole.
    EXPECT_EQ(elementText(119).size(), 1 + 119 * 1000u);
}

TEST(LogScanner, EveryTagGetsItsOwnClosingTag) {
    // Tags of one length, a long one, a prefix of another, in turn and again: each element ends
    // at its own closing tag only.
    const std::vector<std::string> tags = {
        "<a1>", "<b2>", "<c3>", "<a1x>", "<d4>", "<e5>", "<" + std::string(40, 'l') + ">", "<n>"};
    std::vector<std::string> lines;
    std::vector<std::string> wanted;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < tags.size(); ++i) {
            // Each line holds the other tags' closing tags before its own.
            std::string line = tags[i] + "9";
            for (const std::string& other : tags)
                if (other != tags[i]) line += ClosingTag(other);
            line += std::to_string(i) + ClosingTag(tags[i]) + "!x";
            wanted.push_back(
                line.substr(tags[i].size(), line.size() - tags[i].size() - tags[i].size() - 3));
            lines.push_back(line);
        }
    }
    Scan scan(lines);
    std::size_t at = 0;
    for (int round = 0; round < 3; ++round) {
        for (const std::string& tag : tags) {
            EXPECT_EQ(scan.ElementText(tag), wanted[at]) << round << " " << tag;
            EXPECT_EQ(scan->ReadUntil("x"), "") << "the closing tag took the next character";
            ++at;
        }
    }
}

TEST(LogScanner, ClosingTags) {
    EXPECT_EQ(ClosingTag("<name>"), "</name>");
    EXPECT_EQ(ClosingTag("<coordinates>"), "</coordinates>");
    EXPECT_EQ(ElementTag("<name>").closing, "</name>");
    EXPECT_EQ(ElementTag("").closing, "") << "an element without tags ends at once";
}

} // namespace
} // namespace nordavel
