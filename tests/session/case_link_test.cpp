#include "caselink.h"
#include "catalogue.h"
#include "zlibstream.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace talbrix;

namespace {

std::string fromHex(std::string_view hex)
{
    std::string bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2)
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(at, 2)), nullptr, 16)));
    return bytes;
}

constexpr std::string_view readmeCase
    = "# Stiff aorta, high resistance\nslider 1 10\nslider 2 0\nticks 3000\nfibrillate\n";

// A student at the sliders: the lines repeat, but never quite.
std::string busyRun(int changes)
{
    std::string text;
    for (int change = 0; change < changes; ++change)
        text += "slider " + std::to_string(1 + change % 6) + " " + std::to_string(change * 7 % 11) + "\nticks "
            + std::to_string(20 + change * 37 % 60) + "\n";
    return text;
}

std::string everyByte()
{
    std::string bytes;
    for (int round = 0; round < 3; ++round)
        for (int byte = 0; byte < 256; ++byte)
            bytes.push_back(static_cast<char>((byte * 91 + round) % 256));
    return bytes;
}

const std::string damagedWords = "This link is damaged";

} // namespace

TEST(CaseLink, EveryTextComesBackAsItWent)
{
    // Long repeats (more than one match), repeats further back than the
    // window reaches, and bytes that are not text all travel.
    std::string farApart = busyRun(3000);
    farApart += farApart.substr(0, 500);
    for (const std::string &text : { std::string(), std::string(readmeCase), busyRun(6000), std::string(5000, 'x'),
             farApart, everyByte() }) {
        const std::string link = caseLink("file:///home/teacher/talbrix.html#case=1:old", text);
        ASSERT_EQ(link.rfind("file:///home/teacher/talbrix.html#case=1:", 0), 0U);
        ASSERT_TRUE(carriesCase(link));
        const CaseLinkReading reading = readCaseLink(link);
        EXPECT_EQ(reading.error, "");
        EXPECT_EQ(reading.text, text);
    }
    // Repeats make a link much shorter than the case.
    EXPECT_LT(caseLink("", busyRun(6000)).size(), busyRun(6000).size() / 6);
}

TEST(CaseLink, ReadsWhatOtherZlibWritersWrite)
{
    // Python's zlib.compress(text, 9) uses a code table of its own (dynamic
    // blocks); level 0 stores the text as it is.
    EXPECT_EQ(zlibDecompressed(fromHex("78da35c6310e80300805d09d53fcc4d581ea513c0156da121b4d80fbc7c937bd05475a6b90d753560ce"
                                       "b03ae6191f254a59876a9a3a0f0ff0d4c69f50eeccc4ccd4eb73925953ec4ab187f"),
                  1000),
        readmeCase);
    EXPECT_EQ(zlibDecompressed(fromHex("7801014c00b3ff2320537469666620616f7274612c206869676820726573697374616e63650a736c69"
                                       "64657220312031300a736c69646572203220300a7469636b7320333030300a66696272696c6c617465"
                                       "0ac4ab187f"),
                  1000),
        readmeCase);
    const std::string busy = fromHex(
        "78da4d94bb6d043110c5f2ab4225ace6a7dd7a6c078773e473ff70e0a5e6a50f10280294dedfcfcfaf9f31c7f1f87d7ebcdec38ec7fb7fb3b1"
        "ee2d179b0fbf370fb61893c36b32e6a87b8b93ad860149b639ae7b2b6b7002b91a3c6154834f2ee8cd0dce1ecde57eb59a8b5c447391b329"
        "5c0ee7d960e43c1b8cdcb2062317578391b36a3072e50d462e8ee622b75673f7fda2b9c8f96c2e72750a97c3910d46ceacc1c8e5d560e4bc"
        "1a8cdcf20623979216722669215792d6be9f9485dc92b2904b296bcbb9a4855c495ac885a4859c495ac895a4859c4b5ac82d490bb994b4f6"
        "9b93b2902b290bb990b2facd495ac8a5a4859c4b5ac82d490bb990b49033490bb992b4f69b93b4f6fda4acfda14859fbcd49595bae24adfd"
        "a1f8e30f7fc26301");
    EXPECT_EQ(zlibDecompressed(busy, 100000), busyRun(60));
    // A stored block's length and its complement must agree.
    std::string stored = fromHex("7801014c00b3ff2320537469666620616f7274612c206869676820726573697374616e63650a736c69"
                                 "64657220312031300a736c69646572203220300a7469636b7320333030300a66696272696c6c617465"
                                 "0ac4ab187f");
    stored[5] = static_cast<char>(0xfe);
    EXPECT_EQ(zlibDecompressed(stored, 1000), std::nullopt);
    // A text longer than the reader allows is refused, not cut.
    EXPECT_EQ(zlibDecompressed(busy, busyRun(60).size() - 1), std::nullopt);
    EXPECT_EQ(zlibDecompressed(zlibCompressed(std::string(1000, '\0')), 999), std::nullopt);
}

TEST(CaseLink, ADamagedLinkIsRefusedNeverShortened)
{
    const std::string link = caseLink("https://school.example/talbrix.html", busyRun(40));
    const std::size_t payload = link.find(':', link.find('#')) + 1;
    for (std::size_t length = payload; length < link.size(); ++length) {
        const CaseLinkReading reading = readCaseLink(link.substr(0, length));
        ASSERT_EQ(reading.error.rfind(damagedWords, 0), 0U) << "cut at " << length;
        ASSERT_EQ(reading.text, "");
    }
    for (std::size_t at = payload; at < link.size(); ++at) {
        std::string changed = link;
        changed[at] = changed[at] == 'A' ? 'B' : 'A';
        const CaseLinkReading reading = readCaseLink(changed);
        ASSERT_EQ(reading.error.rfind(damagedWords, 0), 0U) << "changed at " << at;
        ASSERT_EQ(reading.text, "");
    }
    // Bytes after the stream's end, and padding bits that are not zero.
    EXPECT_EQ(readCaseLink(link + "AAAA").error.rfind(damagedWords, 0), 0U);
    for (int changes = 1; changes < 6; ++changes) {
        std::string padded = caseLink("x", busyRun(changes));
        if ((padded.size() - padded.find(':') - 1) % 4 == 0)
            continue;
        char &last = padded.back();
        last = last == 'A' ? 'B' : last == 'Q' ? 'R' : last == 'g' ? 'h' : last == 'w' ? 'x' : last;
        EXPECT_EQ(readCaseLink(padded).error.rfind(damagedWords, 0), 0U) << padded;
    }
    for (const std::string_view bad : { "x#case=:eJw", "x#case=1", "x#case=one:eJw", "x#case=1:eJw%3D", "x#case=1:e" })
        EXPECT_EQ(readCaseLink(bad).error.rfind(damagedWords, 0), 0U) << bad;
}

TEST(CaseLink, SaysWhatALinkIsNot)
{
    std::string newer = caseLink("talbrix.html", readmeCase);
    newer.replace(newer.find("case=1:"), 7, "case=2:");
    EXPECT_EQ(readCaseLink(newer).error,
        "This link was made by a newer version of Talbrix (link version 2); this version opens links up to version 1. "
        "Open it with the newer Talbrix.");
    for (const std::string_view other : { "https://school.example/talbrix.html", "talbrix.html#beats", "" }) {
        EXPECT_FALSE(carriesCase(other));
        EXPECT_EQ(readCaseLink(other).error, "This is not a Talbrix link: a link to a case has \"#case=\" in it.");
    }
    // A link broken over lines by a mail program, or pasted as its fragment.
    std::string wrapped = caseLink("talbrix.html", busyRun(30));
    wrapped.insert(wrapped.size() / 2, "\r\n ");
    EXPECT_EQ(readCaseLink(wrapped).text, busyRun(30));
    EXPECT_EQ(readCaseLink(caseLink("", readmeCase).substr(1)).text, readmeCase);
}

TEST(CaseLink, OnlyALongLinkHasAWord)
{
    EXPECT_EQ(longLinkWord(longLinkCharacters), "");
    EXPECT_NE(longLinkWord(longLinkCharacters + 1).find("2001 characters"), std::string::npos);
}

// The link's messages reach both editions from the session library, so they
// are in the class's language there, numbers filled in.
TEST(CaseLink, SpeaksTheLanguageInUse)
{
    useTexts(shippedTexts("de"));
    std::string newer = caseLink("talbrix.html", readmeCase);
    newer.replace(newer.find("case=1:"), 7, "case=7:");
    const std::string newerWords = readCaseLink(newer).error;
    const std::string germanDamaged = readCaseLink(newer.substr(0, newer.find(':')) + "x").error;
    const std::string longWords = longLinkWord(2345);
    useTexts(Texts());
    EXPECT_EQ(newerWords.rfind("Dieser Link wurde von einer neueren Talbrix-Version erstellt (Link-Version 7)", 0), 0U)
        << newerWords;
    EXPECT_NE(newerWords.find("bis Version 1."), std::string::npos) << newerWords;
    EXPECT_EQ(germanDamaged.rfind("Dieser Link ist beschädigt", 0), 0U) << germanDamaged;
    EXPECT_EQ(longWords.rfind("Dieser Link ist lang (2345 Zeichen)", 0), 0U) << longWords;
    EXPECT_NE(longWords.find("länger als 2000 Zeichen"), std::string::npos) << longWords;
}
