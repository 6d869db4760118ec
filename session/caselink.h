#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talbrix {

// A case handed out as a link to the page: the page's own address with the
// case after '#', so it never reaches a server (a browser sends no fragment)
// and works from a file on disk as from any static web host.
//
//     talbrix.html#case=1:eAErzs...
//
// After "case=" come the link's version and, after ':', the text of a
// scenario, a lesson or a result (told apart by their first line, as files
// are), compressed in the zlib format and written in base64url without
// padding. The zlib stream's Adler-32 makes a link that was cut short or
// changed a damaged link, never a shorter case.
inline constexpr int caseLinkVersion = 1;
// Longer links are cut by some mail programs and course platforms; longer
// runs still travel, with a word.
inline constexpr std::size_t longLinkCharacters = 2000;

// `address` (the page's, with or without a fragment) with `text` as its case.
std::string caseLink(std::string_view address, std::string_view text);

// Whether an address carries a case at all: an address without one opens
// the page as usual, without a message.
bool carriesCase(std::string_view address);

struct CaseLinkReading {
    std::string text; // the case, when it was read
    std::string error; // a sentence for the user when it was not
};

// The case of a link: a whole address, or what follows its '#'. Blanks and
// line breaks a mail program put into a long link are skipped.
CaseLinkReading readCaseLink(std::string_view link);

// What the user is told about a link of `characters` characters beside
// the link itself: nothing when it is short.
std::string longLinkWord(std::size_t characters);

} // namespace talbrix
