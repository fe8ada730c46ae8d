#include "conversion/core/text_scanning.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(FindNoCase, FindsKeywordInAnyCaseAndInsideLongerWords) {
    EXPECT_EQ(FindNoCase("# note\ninst x", 0, "INST"), 7u);
    EXPECT_EQ(FindNoCase("a InSt", 0, "INST"), 2u);
    EXPECT_EQ(FindNoCase("INSTANCE", 0, "INST"), 0u);
    EXPECT_EQ(FindNoCase("xINST", 0, "inst"), 1u);
}

TEST(FindNoCase, StartsAtPositionAndReportsNoneWhenAbsent) {
    EXPECT_EQ(FindNoCase("INST INST", 1, "INST"), 5u);
    EXPECT_EQ(FindNoCase("INST INST", 6, "INST"), std::nullopt);
    EXPECT_EQ(FindNoCase("INS", 0, "INST"), std::nullopt);
    EXPECT_EQ(FindNoCase("", 0, "INST"), std::nullopt);
    EXPECT_EQ(FindNoCase("abc", 9, "a"), std::nullopt);
}

TEST(FindNoCase, EmptyPatternMatchesAtPosition) {
    EXPECT_EQ(FindNoCase("abc", 2, ""), 2u);
    EXPECT_EQ(FindNoCase("abc", 3, ""), 3u);
    EXPECT_EQ(FindNoCase("", 0, ""), 0u);
}

TEST(FindNoCase, FoldsOnlyAsciiLetters) {
    // Bytes that differ from a letter by the case bit but are not letters must not match.
    EXPECT_EQ(FindNoCase("@[`{", 0, "`"), 2u);
    EXPECT_EQ(FindNoCase("[", 0, "{"), std::nullopt);
    EXPECT_EQ(FindNoCase("\xC9", 0, "\xE9"), std::nullopt);  // Latin-1 E acute, both cases
    EXPECT_EQ(FindNoCase("\xE9", 0, "\xE9"), 0u);
    EXPECT_EQ(FindNoCase("a\0INST"s, 0, "inst"), 2u);  // a NUL does not end the text
}

TEST(BlankLineStart, WalksBackOverBlanksToTheLineStart) {
    const std::string text = "x\n\t  INST";
    EXPECT_EQ(BlankLineStart(text, 5), 2u);
    EXPECT_EQ(BlankLineStart("INST", 0), 0u);
    EXPECT_EQ(BlankLineStart(" \t INST", 3), 0u);
    EXPECT_EQ(BlankLineStart("a\nINST", 2), 2u);
}

TEST(BlankLineStart, AnyOtherByteBeforeThePositionGivesNone) {
    EXPECT_EQ(BlankLineStart("# INST", 2), std::nullopt);
    EXPECT_EQ(BlankLineStart("a\r INST", 3), std::nullopt);  // a carriage return is no line end
    EXPECT_EQ(BlankLineStart("a\r\nINST", 3), 3u);
    EXPECT_EQ(BlankLineStart("\0INST"s, 1), std::nullopt);
    EXPECT_EQ(BlankLineStart("ab", 5), std::nullopt);
}

TEST(SkipBlanks, PassesSpacesAndTabsOnly) {
    TextCursor c{" \t x", 0};
    EXPECT_EQ(SkipBlanks(c), 3u);
    EXPECT_EQ(c.pos, 3u);

    TextCursor cr{"\r x", 0};
    EXPECT_EQ(SkipBlanks(cr), 0u);
    EXPECT_EQ(cr.pos, 0u);

    for (std::string other : {"\n"s, "\v"s, "\f"s, "\0"s, "\xA0"s}) {
        TextCursor c2{other, 0};
        EXPECT_EQ(SkipBlanks(c2), 0u) << int(static_cast<unsigned char>(other[0]));
    }

    TextCursor toEnd{"a  ", 1};
    EXPECT_EQ(SkipBlanks(toEnd), 2u);
    EXPECT_EQ(toEnd.pos, 3u);
    EXPECT_EQ(SkipBlanks(toEnd), 0u);
}

TEST(TakeDigits, PassesDecimalDigitsOnly) {
    TextCursor c{"007 ", 0};
    EXPECT_EQ(TakeDigits(c), 3u);
    EXPECT_EQ(c.pos, 3u);

    TextCursor underscore{"_1", 0};
    EXPECT_EQ(TakeDigits(underscore), 0u);
    EXPECT_EQ(underscore.pos, 0u);

    TextCursor edges{"/09:", 0};
    EXPECT_EQ(TakeDigits(edges), 0u);
    edges.pos = 1;
    EXPECT_EQ(TakeDigits(edges), 2u);

    TextCursor toEnd{"x12", 1};
    EXPECT_EQ(TakeDigits(toEnd), 2u);
    EXPECT_EQ(toEnd.pos, 3u);
}

TEST(NextLineStart, StopsAfterTheNextLineFeedOrAtTheEnd) {
    EXPECT_EQ(NextLineStart("ab\ncd", 0), 3u);
    EXPECT_EQ(NextLineStart("ab\ncd", 2), 3u);
    EXPECT_EQ(NextLineStart("ab\ncd", 3), 5u);   // last line without a line feed
    EXPECT_EQ(NextLineStart("a\rb\rc", 0), 5u);  // carriage returns alone end nothing
    EXPECT_EQ(NextLineStart("a\0\nb"s, 0), 3u);
    EXPECT_EQ(NextLineStart("", 0), 0u);
    EXPECT_EQ(NextLineStart("ab", 7), 2u);
}

TEST(RemovedLineEnd, EndsAfterTheLineFeedOrALoneCarriageReturn) {
    const auto end = [](std::string_view text, std::size_t pos) {
        return RemovedLineEnd(text, pos);
    };
    EXPECT_EQ(end("ab\ncd", 0), 3u);
    EXPECT_EQ(end("ab\r\ncd", 0), 4u);   // CR LF is one line end
    EXPECT_EQ(end("a\rb\r\nc", 0), 2u);  // a lone CR before the line's own end
    EXPECT_EQ(end("a\r\rb\n", 0), 2u);
    EXPECT_EQ(end("ab\r", 0), 3u);  // lone at the end of the text
    EXPECT_EQ(end("ab", 0), 2u);
    EXPECT_EQ(end("\n", 0), 1u);
    EXPECT_EQ(end("\r\n", 1), 2u);
    EXPECT_EQ(end("ab\r\n", 4), 4u);
    EXPECT_EQ(end("", 0), 0u);
    EXPECT_EQ(end("ab", 5), 2u);
}

// The search goes 16 bytes at a time: ends at every place in and across those steps.
TEST(RemovedLineEnd, FindsEndsAtEveryPlaceOfALongLine) {
    for (std::size_t length = 0; length < 50; ++length) {
        for (std::size_t start = 0; start <= length && start < 3; ++start) {
            const std::string line(length, 'A');
            SCOPED_TRACE(testing::Message() << "length " << length << " from " << start);
            EXPECT_EQ(RemovedLineEnd(line + "\nB", start), length + 1);
            EXPECT_EQ(RemovedLineEnd(line + "\r\nB", start), length + 2);
            EXPECT_EQ(RemovedLineEnd(line + "\rB\n", start), length + 1);
            EXPECT_EQ(RemovedLineEnd(line + "\r", start), length + 1);
            EXPECT_EQ(RemovedLineEnd(line, start), length);
        }
    }
}
