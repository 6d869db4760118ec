#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace talbrix {

// The zlib format (a DEFLATE stream with its two-byte header and an Adler-32
// of the text), written and read here because the page needs it in the
// module and the desktop must read exactly what the page writes. Any zlib
// library reads what `zlibCompressed` writes, and `zlibDecompressed` reads
// what any of them writes (stored, fixed and dynamic blocks), so a teacher
// can make links with a few lines of Python.
//
// The compressor finds repeats in a 32 KiB window and codes them with the
// fixed Huffman codes: a case's lines repeat each other, and a code table
// would cost more than it saves on a few hundred bytes.
std::string zlibCompressed(std::string_view text);

// The text, or nothing when the stream is damaged: cut short, a byte
// changed (the Adler-32 no longer agrees), bytes after its end, or a text
// longer than `maxBytes` (a small stream can claim a vast text).
std::optional<std::string> zlibDecompressed(std::string_view stream, std::size_t maxBytes);

} // namespace talbrix
