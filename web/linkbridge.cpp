// The page's side of a case by link: the link to a text and the text of a
// link, made and read by the same code as the desktop's Open Link..., so a
// link one edition reads the other reads alike.

#include "caselink.h"

#include <emscripten/emscripten.h>

#include <string>
#include <string_view>

namespace {

// The last text handed to the page: valid until the next call here.
std::string linkText;
std::string linkError;

const char *keepLinkText(std::string text)
{
    linkText = std::move(text);
    return linkText.c_str();
}

} // namespace

extern "C" {

// The page's address (UTF-8 bytes) with `text` as its case.
EMSCRIPTEN_KEEPALIVE const char *talbrix_case_link(const char *address, int addressLength, const char *text, int textLength)
{
    return keepLinkText(talbrix::caseLink(std::string_view(address, static_cast<std::size_t>(addressLength)),
        std::string_view(text, static_cast<std::size_t>(textLength))));
}

// The case an address carries, or "" with talbrix_case_link_error saying
// why; 0 for an address without a case, which opens the page as usual.
EMSCRIPTEN_KEEPALIVE int talbrix_read_case_link(const char *address, int length)
{
    const std::string_view link(address, static_cast<std::size_t>(length));
    if (!talbrix::carriesCase(link))
        return 0;
    talbrix::CaseLinkReading reading = talbrix::readCaseLink(link);
    linkError = std::move(reading.error);
    keepLinkText(std::move(reading.text));
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_case_link_text()
{
    return linkText.c_str();
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_case_link_error()
{
    return linkError.c_str();
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_long_link_word(double characters)
{
    return keepLinkText(talbrix::longLinkWord(static_cast<std::size_t>(characters)));
}

} // extern "C"
