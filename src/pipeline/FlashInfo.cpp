#include "FlashInfo.h"

#include "FileErrors.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

// ---------------------------------------------------------------------------------------------
// The classic header reader

TFlashHeader TFlashInfo::ReadHeader(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) throw EFOpenError(FileOpenErrorMessage(path, errno));
    TFlashHeader header{};
    if (std::fseek(file.get(), 8, SEEK_SET) != 0 ||
        std::fread(header.data(), 1, header.size(), file.get()) != header.size())
        throw EInOutError("Stream read error");
    return header;
}

int TFlashInfo::GetNBits(const TFlashHeader& header) {
    return header[0] >> 3;
}

bool TFlashInfo::GetBit(const TFlashHeader& header, int position) {
    if (position < 0 || position >= static_cast<int>(header.size() * 8)) return false;
    return (header[static_cast<std::size_t>(position / 8)] >> (7 - position % 8)) & 1;
}

bool TFlashInfo::TestBit(uint32_t value, int bit) {
    return bit >= 0 && bit < 32 && ((value >> bit) & 1u) != 0;
}

uint32_t TFlashInfo::SetBit(uint32_t value, int bit) {
    return bit >= 0 && bit < 32 ? value | (1u << bit) : value;
}

namespace {

// Reads an n-bit field starting at bit position start, most significant bit first.
uint32_t ReadUnsignedField(const TFlashHeader& header, int start, int n) {
    uint32_t value = 0;
    for (int k = 0; k < n; ++k)
        if (TFlashInfo::GetBit(header, start + k)) value = TFlashInfo::SetBit(value, n - 1 - k);
    return value;
}

int64_t ReadSignedField(const TFlashHeader& header, int start, int n) {
    if (n == 0) return 0;
    int64_t value = ReadUnsignedField(header, start, n);
    if (value & (int64_t{1} << (n - 1))) value -= int64_t{1} << n;
    return value;
}

} // namespace

int TFlashInfo::GetWidth(const TFlashHeader& header) {
    const int n = GetNBits(header);
    return static_cast<int>(ReadUnsignedField(header, 5 + n, n) / 20);
}

int TFlashInfo::GetHeight(const TFlashHeader& header) {
    const int n = GetNBits(header);
    return static_cast<int>(ReadUnsignedField(header, 5 + 3 * n, n) / 20);
}

// ---------------------------------------------------------------------------------------------
// Decoding a movie's body (everything after its 8-byte header)

namespace {

enum class TMovieKind { Plain, Zlib, Lzma };

std::optional<TMovieKind> KindOf(const uint8_t* signature) {
    if (signature[1] != 'W' || signature[2] != 'S') return std::nullopt;
    switch (signature[0]) {
    case 'F':
        return TMovieKind::Plain;
    case 'C':
        return TMovieKind::Zlib;
    case 'Z':
        return TMovieKind::Lzma;
    default:
        return std::nullopt;
    }
}

uint32_t LoadU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Hands out a source's bytes in pieces: a file read bit by bit, or a buffer in memory.
using TSource = std::function<std::size_t(uint8_t* buffer, std::size_t capacity)>;

TSource MemorySource(const uint8_t* data, std::size_t size) {
    auto offset = std::make_shared<std::size_t>(0);
    return [=](uint8_t* buffer, std::size_t capacity) {
        std::size_t n = std::min(capacity, size - *offset);
        if (n > 0) std::memcpy(buffer, data + *offset, n);
        *offset += n;
        return n;
    };
}

bool ReadExactly(const TSource& source, uint8_t* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        std::size_t n = source(buffer + got, count - got);
        if (n == 0) return false;
        got += n;
    }
    return true;
}

constexpr std::size_t kChunk = 16384;

// Decodes the body until `want` bytes are out, the data ends, or it turns out broken. What
// came out before a break is kept: the start of a damaged movie still tells its frame size.
void DecodeBody(TMovieKind kind, const uint8_t* header, const TSource& source, std::size_t want,
                std::vector<uint8_t>& out) {
    std::vector<uint8_t> input(kChunk);
    if (kind == TMovieKind::Plain) {
        while (out.size() < want) {
            std::size_t n = source(input.data(), std::min(kChunk, want - out.size()));
            if (n == 0) return;
            out.insert(out.end(), input.begin(), input.begin() + static_cast<std::ptrdiff_t>(n));
        }
        return;
    }

    if (kind == TMovieKind::Zlib) {
        z_stream z{};
        if (inflateInit(&z) != Z_OK) return;
        std::vector<uint8_t> piece(kChunk);
        int ret = Z_OK;
        while (out.size() < want && ret == Z_OK) {
            if (z.avail_in == 0) {
                std::size_t n = source(input.data(), kChunk);
                if (n == 0) break;
                z.next_in = input.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = piece.data();
            z.avail_out = static_cast<uInt>(std::min(kChunk, want - out.size()));
            ret = inflate(&z, Z_NO_FLUSH);
            out.insert(out.end(), piece.begin(),
                       piece.begin() + static_cast<std::ptrdiff_t>(z.next_out - piece.data()));
            if (ret == Z_BUF_ERROR && z.avail_in == 0) ret = Z_OK; // wants more input
        }
        inflateEnd(&z);
        return;
    }

    // "ZWS": after the 8-byte header come the compressed length (4 bytes, not trusted) and the
    // 5 LZMA properties; the raw LZMA1 data follows, usually without an end marker, so the
    // uncompressed length in the header is what ends it.
    uint8_t extra[9];
    if (!ReadExactly(source, extra, sizeof extra)) return;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_properties_decode(&filters[0], nullptr, extra + 4, 5) != LZMA_OK) return;
    std::unique_ptr<void, void (*)(void*)> options(filters[0].options, &std::free);
    const uint32_t stored = LoadU32(header + 4);
    want = std::min<std::size_t>(want, stored > 8 ? stored - 8 : 0);
    // The dictionary never needs to exceed what is decoded; a forged huge one would
    // otherwise be allocated in full.
    auto* lzma_options = static_cast<lzma_options_lzma*>(filters[0].options);
    const std::size_t enough = std::max<std::size_t>(want, LZMA_DICT_SIZE_MIN);
    if (lzma_options->dict_size > enough) lzma_options->dict_size = static_cast<uint32_t>(enough);

    lzma_stream strm = LZMA_STREAM_INIT;
    if (lzma_raw_decoder(&strm, filters) != LZMA_OK) return;
    std::vector<uint8_t> piece(kChunk);
    lzma_ret ret = LZMA_OK;
    while (out.size() < want && ret == LZMA_OK) {
        if (strm.avail_in == 0) {
            std::size_t n = source(input.data(), kChunk);
            if (n == 0) break;
            strm.next_in = input.data();
            strm.avail_in = n;
        }
        strm.next_out = piece.data();
        strm.avail_out = std::min(kChunk, want - out.size());
        ret = lzma_code(&strm, LZMA_RUN);
        out.insert(out.end(), piece.begin(),
                   piece.begin() + static_cast<std::ptrdiff_t>(strm.next_out - piece.data()));
    }
    lzma_end(&strm);
}

// Rectangle bytes needed for a field width n: 5 + 4n bits, rounded up to whole bytes.
std::size_t RectBytes(int n) {
    return static_cast<std::size_t>(5 + 4 * n + 7) / 8;
}

std::optional<std::pair<int, int>> FrameSizeFromSource(const TSource& source) {
    uint8_t header[8];
    if (!ReadExactly(source, header, sizeof header)) return std::nullopt;
    auto kind = KindOf(header);
    if (!kind) return std::nullopt;
    std::vector<uint8_t> body;
    body.reserve(sizeof(TFlashHeader));
    DecodeBody(*kind, header, source, sizeof(TFlashHeader), body);
    if (body.empty()) return std::nullopt;

    TFlashHeader rect{};
    std::copy(body.begin(), body.end(), rect.begin());
    const int n = TFlashInfo::GetNBits(rect);
    if (body.size() < RectBytes(n)) return std::nullopt;
    const int64_t xmin = ReadSignedField(rect, 5, n);
    const int64_t xmax = ReadSignedField(rect, 5 + n, n);
    const int64_t ymin = ReadSignedField(rect, 5 + 2 * n, n);
    const int64_t ymax = ReadSignedField(rect, 5 + 3 * n, n);
    if (xmax < xmin || ymax < ymin) return std::nullopt;
    return std::make_pair(static_cast<int>((xmax - xmin) / 20),
                          static_cast<int>((ymax - ymin) / 20));
}

TSource FileSource(FILE* file) {
    return [file](uint8_t* buffer, std::size_t capacity) {
        return std::fread(buffer, 1, capacity, file);
    };
}

} // namespace

std::optional<std::pair<int, int>> FlashFrameSize(const uint8_t* data, std::size_t size) {
    return FrameSizeFromSource(MemorySource(data, size));
}

std::optional<std::pair<int, int>> FlashFrameSize(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return std::nullopt;
    return FrameSizeFromSource(FileSource(file.get()));
}

namespace {

std::optional<std::vector<uint8_t>> MovieFromSource(const TSource& source, std::size_t max_bytes) {
    if (max_bytes < 8) return std::nullopt;
    uint8_t header[8];
    if (!ReadExactly(source, header, sizeof header)) return std::nullopt;
    auto kind = KindOf(header);
    if (!kind) return std::nullopt;
    std::vector<uint8_t> movie(header, header + 8);
    movie[0] = 'F';
    // One byte beyond the limit tells a movie that fits from one that does not.
    std::vector<uint8_t> body;
    DecodeBody(*kind, header, source, max_bytes - 8 + 1, body);
    if (body.size() > max_bytes - 8 || body.empty()) return std::nullopt;
    movie.insert(movie.end(), body.begin(), body.end());
    const auto length = static_cast<uint32_t>(movie.size());
    for (int i = 0; i < 4; ++i)
        movie[4 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
    return movie;
}

} // namespace

std::optional<std::vector<uint8_t>> ReadFlashMovie(const std::string& path, std::size_t max_bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return std::nullopt;
    return MovieFromSource(FileSource(file.get()), max_bytes);
}

std::optional<std::vector<uint8_t>> ReadFlashMovie(const uint8_t* data, std::size_t size,
                                                   std::size_t max_bytes) {
    return MovieFromSource(MemorySource(data, size), max_bytes);
}

// ---------------------------------------------------------------------------------------------
// Walking an uncompressed movie's tags

namespace {

struct TTag {
    int code;
    std::size_t start; // offset of the tag's header
    std::size_t body;  // offset of its body
    std::size_t body_length;
};

// Offset of the first tag: after the header, the rectangle, the frame rate and frame count.
std::optional<std::size_t> FirstTagOffset(const std::vector<uint8_t>& movie) {
    if (movie.size() < 9 || movie[0] != 'F' || movie[1] != 'W' || movie[2] != 'S')
        return std::nullopt;
    std::size_t offset = 8 + RectBytes(movie[8] >> 3) + 4;
    if (offset > movie.size()) return std::nullopt;
    return offset;
}

// Reads the tag at offset; nullopt when its header or body runs past the data.
std::optional<TTag> TagAt(const std::vector<uint8_t>& movie, std::size_t offset) {
    if (movie.size() - offset < 2) return std::nullopt;
    const unsigned code_and_length = movie[offset] | movie[offset + 1] << 8;
    TTag tag{static_cast<int>(code_and_length >> 6), offset, offset + 2, code_and_length & 0x3fu};
    if (tag.body_length == 0x3f) {
        if (movie.size() - tag.body < 4) return std::nullopt;
        tag.body_length = LoadU32(&movie[tag.body]);
        tag.body += 4;
    }
    if (tag.body_length > movie.size() - tag.body) return std::nullopt;
    return tag;
}

} // namespace

std::optional<TFlashMovieFacts> ReadFlashMovieFacts(const std::vector<uint8_t>& movie) {
    auto first = FirstTagOffset(movie);
    if (!first) return std::nullopt;
    TFlashMovieFacts facts;
    const std::size_t rate_at = *first - 4;
    facts.frame_rate = movie[rate_at] / 256.0 + movie[rate_at + 1];
    facts.frame_count = movie[rate_at + 2] | movie[rate_at + 3] << 8;
    if (auto tag = TagAt(movie, *first); tag && tag->code == 69 && tag->body_length >= 1)
        facts.action_script3 = (movie[tag->body] & 0x08) != 0;
    return facts;
}

std::optional<std::vector<uint8_t>> WithStopOnLastFrame(const std::vector<uint8_t>& movie) {
    auto offset = FirstTagOffset(movie);
    if (!offset) return std::nullopt;
    std::optional<std::size_t> last_show_frame;
    while (*offset < movie.size()) {
        auto tag = TagAt(movie, *offset);
        if (!tag) return std::nullopt;
        if (tag->code == 0) break;
        if (tag->code == 1) last_show_frame = tag->start;
        *offset = tag->body + tag->body_length;
    }
    if (!last_show_frame) return std::nullopt;
    // DoAction { Stop; End } right before the last ShowFrame: it runs as the last frame shows.
    static const uint8_t stop_action[] = {0x02, 0x03, 0x07, 0x00};
    std::vector<uint8_t> result;
    result.reserve(movie.size() + sizeof stop_action);
    result.insert(result.end(), movie.begin(),
                  movie.begin() + static_cast<std::ptrdiff_t>(*last_show_frame));
    result.insert(result.end(), std::begin(stop_action), std::end(stop_action));
    result.insert(result.end(), movie.begin() + static_cast<std::ptrdiff_t>(*last_show_frame),
                  movie.end());
    const auto length = static_cast<uint32_t>(result.size());
    for (int i = 0; i < 4; ++i)
        result[4 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
    return result;
}

bool HasFlashSignature(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char signature[3] = {};
    const bool read = std::fread(signature, 1, sizeof signature, file) == sizeof signature;
    std::fclose(file);
    return read && (signature[0] == 'F' || signature[0] == 'C' || signature[0] == 'Z') &&
           signature[1] == 'W' && signature[2] == 'S';
}
