#include "zlibstream.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace talbrix {
namespace {

// RFC 1951's length and distance codes: the first value of each and how
// many extra bits follow it.
constexpr std::array<std::uint16_t, 29> lengthBase { 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43,
    51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258 };
constexpr std::array<std::uint8_t, 29> lengthExtra { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4,
    4, 4, 5, 5, 5, 5, 0 };
constexpr std::array<std::uint16_t, 30> distanceBase { 1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257,
    385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577 };
constexpr std::array<std::uint8_t, 30> distanceExtra { 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9,
    9, 10, 10, 11, 11, 12, 12, 13, 13 };

constexpr std::size_t window = 32768;
constexpr std::size_t shortestMatch = 3;
constexpr std::size_t longestMatch = 258;
// How many earlier places with the same three bytes are tried: enough for
// the repeats of a case, cheap on a run of an hour.
constexpr int candidatesTried = 64;
constexpr std::uint32_t adlerModulus = 65521;

std::uint32_t adler32(std::string_view text)
{
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    // 5552 bytes is the most that can be summed before b may overflow.
    for (std::size_t from = 0; from < text.size(); from += 5552) {
        for (const char byte : text.substr(from, 5552)) {
            a += static_cast<std::uint8_t>(byte);
            b += a;
        }
        a %= adlerModulus;
        b %= adlerModulus;
    }
    return (b << 16) | a;
}

class BitWriter {
public:
    // Bits go in from the lowest of each byte up.
    void put(std::uint32_t bits, int count)
    {
        m_buffer |= std::uint64_t { bits } << m_count;
        m_count += count;
        for (; m_count >= 8; m_count -= 8, m_buffer >>= 8)
            m_bytes.push_back(static_cast<char>(m_buffer & 0xff));
    }
    // A Huffman code goes in from its highest bit.
    void putCode(std::uint32_t code, int length)
    {
        std::uint32_t reversed = 0;
        for (int bit = 0; bit < length; ++bit)
            reversed |= ((code >> bit) & 1U) << (length - 1 - bit);
        put(reversed, length);
    }
    void putLiteral(unsigned symbol)
    {
        if (symbol < 144)
            putCode(0x30 + symbol, 8);
        else if (symbol < 256)
            putCode(0x190 + symbol - 144, 9);
        else if (symbol < 280)
            putCode(symbol - 256, 7);
        else
            putCode(0xc0 + symbol - 280, 8);
    }
    void putMatch(std::size_t length, std::size_t distance)
    {
        const auto lengthCode = static_cast<std::size_t>(
            std::upper_bound(lengthBase.begin(), lengthBase.end(), length) - lengthBase.begin() - 1);
        putLiteral(257 + static_cast<unsigned>(lengthCode));
        put(static_cast<std::uint32_t>(length - lengthBase.at(lengthCode)), lengthExtra.at(lengthCode));
        const auto distanceCode = static_cast<std::size_t>(
            std::upper_bound(distanceBase.begin(), distanceBase.end(), distance) - distanceBase.begin() - 1);
        putCode(static_cast<std::uint32_t>(distanceCode), 5);
        put(static_cast<std::uint32_t>(distance - distanceBase.at(distanceCode)), distanceExtra.at(distanceCode));
    }
    // Pads the last byte: what follows the stream starts on a whole byte.
    void align()
    {
        if (m_count > 0)
            put(0, 8 - m_count);
    }
    std::string finish()
    {
        align();
        return std::move(m_bytes);
    }

private:
    std::string m_bytes;
    std::uint64_t m_buffer = 0;
    int m_count = 0;
};

class BitReader {
public:
    BitReader(std::string_view bytes, std::size_t from)
        : m_bytes(bytes)
        , m_at(from)
    {
    }
    // 0 once the bytes have run out; failed() says so.
    std::uint32_t bits(int count)
    {
        while (m_count < count) {
            if (m_at == m_bytes.size()) {
                m_failed = true;
                return 0;
            }
            m_buffer |= std::uint32_t { static_cast<std::uint8_t>(m_bytes[m_at++]) } << m_count;
            m_count += 8;
        }
        const std::uint32_t value = m_buffer & ((1U << count) - 1);
        m_buffer >>= count;
        m_count -= count;
        return value;
    }
    // To the next whole byte; what is left of this one is padding.
    void align()
    {
        m_buffer = 0;
        m_count = 0;
    }
    std::string_view take(std::size_t count)
    {
        if (m_bytes.size() - m_at < count) {
            m_failed = true;
            return {};
        }
        m_at += count;
        return m_bytes.substr(m_at - count, count);
    }
    std::size_t left() const { return m_bytes.size() - m_at; }
    bool failed() const { return m_failed; }

private:
    std::string_view m_bytes;
    std::size_t m_at;
    std::uint32_t m_buffer = 0;
    int m_count = 0;
    bool m_failed = false;
};

// A canonical Huffman code: how many codes of each length, and the symbols
// in code order.
struct Huffman {
    std::array<std::uint16_t, 16> count {};
    std::array<std::uint16_t, 288> symbol {};
};

// False when the lengths ask for more codes than exist.
bool build(Huffman &code, const std::uint8_t *lengths, std::size_t symbols)
{
    code.count.fill(0);
    for (std::size_t symbol = 0; symbol < symbols; ++symbol)
        ++code.count.at(lengths[symbol]);
    int left = 1;
    for (std::size_t length = 1; length < 16; ++length) {
        left = 2 * left - code.count.at(length);
        if (left < 0)
            return false;
    }
    std::array<std::uint16_t, 16> next {};
    for (std::size_t length = 1; length < 15; ++length)
        next.at(length + 1) = static_cast<std::uint16_t>(next.at(length) + code.count.at(length));
    for (std::size_t symbol = 0; symbol < symbols; ++symbol)
        if (lengths[symbol] != 0)
            code.symbol.at(next.at(lengths[symbol])++) = static_cast<std::uint16_t>(symbol);
    return true;
}

// The next symbol, or -1 for bits that are no code.
int decode(BitReader &in, const Huffman &code)
{
    int bits = 0;
    int first = 0;
    int index = 0;
    for (std::size_t length = 1; length < 16; ++length) {
        bits |= static_cast<int>(in.bits(1));
        if (in.failed())
            return -1;
        const int count = code.count.at(length);
        if (bits - count < first)
            return code.symbol.at(static_cast<std::size_t>(index + bits - first));
        index += count;
        first = (first + count) << 1;
        bits <<= 1;
    }
    return -1;
}

bool inflateCodes(BitReader &in, std::string &out, std::size_t maxBytes, const Huffman &lengths, const Huffman &distances)
{
    for (;;) {
        const int symbol = decode(in, lengths);
        if (symbol < 0)
            return false;
        if (symbol == 256)
            return true;
        if (symbol < 256) {
            if (out.size() == maxBytes)
                return false;
            out.push_back(static_cast<char>(symbol));
            continue;
        }
        // The length's extra bits come before the distance's code.
        const auto lengthCode = static_cast<std::size_t>(symbol - 257);
        if (lengthCode >= lengthBase.size())
            return false;
        const std::size_t length = lengthBase.at(lengthCode) + in.bits(lengthExtra.at(lengthCode));
        const int distanceCode = decode(in, distances);
        if (distanceCode < 0 || static_cast<std::size_t>(distanceCode) >= distanceBase.size())
            return false;
        const auto at = static_cast<std::size_t>(distanceCode);
        const std::size_t distance = distanceBase.at(at) + in.bits(distanceExtra.at(at));
        if (in.failed() || distance > out.size() || length > maxBytes - out.size())
            return false;
        // A copy may overlap what it writes: byte after byte.
        for (std::size_t copied = 0; copied < length; ++copied)
            out.push_back(out[out.size() - distance]);
    }
}

bool inflateFixed(BitReader &in, std::string &out, std::size_t maxBytes)
{
    std::array<std::uint8_t, 288> lengths {};
    std::fill(lengths.begin(), lengths.begin() + 144, 8);
    std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
    std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
    std::fill(lengths.begin() + 280, lengths.end(), 8);
    Huffman literals;
    build(literals, lengths.data(), lengths.size());
    std::fill(lengths.begin(), lengths.begin() + 30, 5);
    Huffman distances;
    build(distances, lengths.data(), 30);
    return inflateCodes(in, out, maxBytes, literals, distances);
}

bool inflateDynamic(BitReader &in, std::string &out, std::size_t maxBytes)
{
    const std::size_t literalCount = in.bits(5) + 257;
    const std::size_t distanceCount = in.bits(5) + 1;
    const std::size_t lengthCodeCount = in.bits(4) + 4;
    if (in.failed() || literalCount > 286 || distanceCount > 30)
        return false;
    constexpr std::array<std::uint8_t, 19> order { 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15 };
    std::array<std::uint8_t, 320> lengths {};
    for (std::size_t index = 0; index < lengthCodeCount; ++index)
        lengths.at(order.at(index)) = static_cast<std::uint8_t>(in.bits(3));
    Huffman lengthCode;
    if (in.failed() || !build(lengthCode, lengths.data(), order.size()))
        return false;
    std::size_t index = 0;
    while (index < literalCount + distanceCount) {
        int symbol = decode(in, lengthCode);
        if (symbol < 0)
            return false;
        if (symbol < 16) {
            lengths.at(index++) = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t repeated = 0;
        std::size_t times = 0;
        if (symbol == 16) {
            if (index == 0)
                return false;
            repeated = lengths.at(index - 1);
            times = 3 + in.bits(2);
        } else {
            times = symbol == 17 ? 3 + in.bits(3) : 11 + in.bits(7);
        }
        if (in.failed() || index + times > literalCount + distanceCount)
            return false;
        for (; times > 0; --times)
            lengths.at(index++) = repeated;
    }
    Huffman literals;
    Huffman distances;
    return lengths.at(256) != 0 && build(literals, lengths.data(), literalCount)
        && build(distances, lengths.data() + literalCount, distanceCount)
        && inflateCodes(in, out, maxBytes, literals, distances);
}

bool inflateStored(BitReader &in, std::string &out, std::size_t maxBytes)
{
    in.align();
    const std::uint32_t length = in.bits(16);
    const std::uint32_t complement = in.bits(16);
    if (in.failed() || length != (~complement & 0xffffU) || length > maxBytes - out.size())
        return false;
    const std::string_view bytes = in.take(length);
    out.append(bytes);
    return !in.failed();
}

} // namespace

std::string zlibCompressed(std::string_view text)
{
    BitWriter out;
    // The header: DEFLATE in a 32 KiB window, no dictionary, its check bits.
    out.put(0x78, 8);
    out.put(0x01, 8);
    out.put(1, 1); // the last block
    out.put(1, 2); // in the fixed codes
    std::vector<std::int64_t> newest(window, -1); // by hash of three bytes
    std::vector<std::int64_t> before(window, -1); // by place, in the window
    const auto hashAt = [&text](std::size_t at) {
        const auto byte = [&text, at](std::size_t offset) { return std::size_t { static_cast<std::uint8_t>(text[at + offset]) }; };
        return ((byte(0) << 10) ^ (byte(1) << 5) ^ byte(2)) & (window - 1);
    };
    const auto remember = [&](std::size_t at) {
        if (at + shortestMatch > text.size())
            return;
        const std::size_t hash = hashAt(at);
        before[at % window] = newest[hash];
        newest[hash] = static_cast<std::int64_t>(at);
    };
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t best = 0;
        std::size_t distance = 0;
        if (at + shortestMatch <= text.size()) {
            const std::size_t longest = std::min(longestMatch, text.size() - at);
            std::int64_t candidate = newest[hashAt(at)];
            for (int tried = 0; candidate >= 0 && tried < candidatesTried; ++tried) {
                const auto from = static_cast<std::size_t>(candidate);
                if (at - from > window)
                    break;
                std::size_t length = 0;
                while (length < longest && text[from + length] == text[at + length])
                    ++length;
                if (length > best) {
                    best = length;
                    distance = at - from;
                    if (length == longest)
                        break;
                }
                candidate = before[from % window];
            }
        }
        if (best >= shortestMatch) {
            out.putMatch(best, distance);
            for (std::size_t offset = 0; offset < best; ++offset)
                remember(at + offset);
            at += best;
        } else {
            out.putLiteral(static_cast<std::uint8_t>(text[at]));
            remember(at);
            ++at;
        }
    }
    out.putLiteral(256);
    out.align();
    const std::uint32_t check = adler32(text);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.put((check >> shift) & 0xff, 8);
    return out.finish();
}

std::optional<std::string> zlibDecompressed(std::string_view stream, std::size_t maxBytes)
{
    if (stream.size() < 2)
        return std::nullopt;
    const auto method = static_cast<std::uint8_t>(stream[0]);
    const auto flags = static_cast<std::uint8_t>(stream[1]);
    if ((method & 0x0f) != 8 || (method >> 4) > 7 || (method * 256 + flags) % 31 != 0 || (flags & 0x20) != 0)
        return std::nullopt;
    BitReader in(stream, 2);
    std::string out;
    for (bool last = false; !last;) {
        last = in.bits(1) == 1;
        const std::uint32_t type = in.bits(2);
        const bool read = !in.failed()
            && ((type == 0 && inflateStored(in, out, maxBytes)) || (type == 1 && inflateFixed(in, out, maxBytes))
                || (type == 2 && inflateDynamic(in, out, maxBytes)));
        if (!read)
            return std::nullopt;
    }
    in.align();
    if (in.left() != 4)
        return std::nullopt;
    const std::string_view check = in.take(4);
    std::uint32_t expected = 0;
    for (const char byte : check)
        expected = (expected << 8) | static_cast<std::uint8_t>(byte);
    if (expected != adler32(out))
        return std::nullopt;
    return out;
}

} // namespace talbrix
