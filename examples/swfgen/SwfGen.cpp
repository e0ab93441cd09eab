#include "SwfGen.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Tag codes of the few tags a movie of ours needs.
enum : int {
    kTagEnd = 0,
    kTagShowFrame = 1,
    kTagSetBackgroundColor = 9,
    kTagDoAction = 12,
    kTagPlaceObject2 = 26,
    kTagDefineShape3 = 32,
    kTagFileAttributes = 69,
    kTagMetadata = 77,
};

// Bit fields of the format are packed most significant bit first and padded to whole bytes
// at the end of each record.
class TBitWriter {
public:
    explicit TBitWriter(std::vector<uint8_t>& out) : out(out) {}
    ~TBitWriter() { Align(); }

    void WriteUB(uint32_t value, int nbits) {
        for (int i = nbits - 1; i >= 0; --i) {
            current = static_cast<uint8_t>((current << 1) | ((value >> i) & 1u));
            if (++used == 8) {
                out.push_back(current);
                current = 0;
                used = 0;
            }
        }
    }
    void WriteSB(int32_t value, int nbits) { WriteUB(static_cast<uint32_t>(value), nbits); }
    void Align() {
        if (used > 0) {
            out.push_back(static_cast<uint8_t>(current << (8 - used)));
            current = 0;
            used = 0;
        }
    }

private:
    std::vector<uint8_t>& out;
    uint8_t current = 0;
    int used = 0;
};

// Fewest bits of a signed field that holds value.
int SignedBits(int64_t value) {
    if (value == 0) return 0;
    int bits = 1;
    while (value < -(int64_t{1} << (bits - 1)) || value >= (int64_t{1} << (bits - 1)))
        ++bits;
    return bits;
}

int SignedBits(std::initializer_list<int64_t> values) {
    int bits = 0;
    for (int64_t v : values)
        bits = std::max(bits, SignedBits(v));
    return bits;
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& out, int code, const std::vector<uint8_t>& body) {
    // The short header holds lengths up to 62; 63 marks the long form with a 32-bit length.
    if (body.size() < 63) {
        PutU16(out, static_cast<uint32_t>(code << 6) | static_cast<uint32_t>(body.size()));
    } else {
        PutU16(out, static_cast<uint32_t>(code << 6) | 0x3f);
        PutU32(out, static_cast<uint32_t>(body.size()));
    }
    out.insert(out.end(), body.begin(), body.end());
}

void PutRect(std::vector<uint8_t>& out, int64_t xmin, int64_t xmax, int64_t ymin, int64_t ymax,
             int forced_bits) {
    int n = forced_bits >= 0 ? forced_bits : SignedBits({xmin, xmax, ymin, ymax});
    TBitWriter bits(out);
    bits.WriteUB(static_cast<uint32_t>(n), 5);
    for (int64_t v : {xmin, xmax, ymin, ymax})
        bits.WriteSB(static_cast<int32_t>(v), n);
}

struct TPoint {
    int32_t x;
    int32_t y;
};

struct TRgb {
    double r, g, b;
};

// A closed outline centred on the origin: straight edges, or quadratic curves whose control
// points sit between the anchors.
struct TOutline {
    std::vector<TPoint> anchors;
    std::vector<TPoint> controls; // empty for straight outlines
};

TOutline CircleOutline(int radius) {
    TOutline o;
    const int segments = 8;
    const double control_radius = radius / std::cos(kPi / segments);
    for (int i = 0; i < segments; ++i) {
        double a = 2 * kPi * i / segments;
        double c = a + kPi / segments;
        o.anchors.push_back({static_cast<int32_t>(std::lround(radius * std::cos(a))),
                             static_cast<int32_t>(std::lround(radius * std::sin(a)))});
        o.controls.push_back({static_cast<int32_t>(std::lround(control_radius * std::cos(c))),
                              static_cast<int32_t>(std::lround(control_radius * std::sin(c)))});
    }
    return o;
}

TOutline StarOutline(int radius, int points) {
    TOutline o;
    for (int i = 0; i < 2 * points; ++i) {
        double r = (i % 2 == 0) ? radius : radius * 0.45;
        double a = -kPi / 2 + kPi * i / points;
        o.anchors.push_back({static_cast<int32_t>(std::lround(r * std::cos(a))),
                             static_cast<int32_t>(std::lround(r * std::sin(a)))});
    }
    return o;
}

TOutline SquareOutline(int half) {
    TOutline o;
    o.anchors = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
    return o;
}

// DefineShape3 with one solid white fill (the colour comes from each frame's colour
// transform) and one dark outline.
std::vector<uint8_t> DefineShape(int id, const TOutline& outline, int line_width) {
    std::vector<uint8_t> body;
    PutU16(body, static_cast<uint32_t>(id));
    int extent = 0;
    for (const auto& p : outline.anchors)
        extent = std::max({extent, std::abs(p.x), std::abs(p.y)});
    for (const auto& p : outline.controls)
        extent = std::max({extent, std::abs(p.x), std::abs(p.y)});
    extent += line_width;
    PutRect(body, -extent, extent, -extent, extent, -1);

    body.push_back(1);    // fill styles
    body.push_back(0x00); // solid
    body.insert(body.end(), {255, 255, 255, 255});
    body.push_back(1); // line styles
    PutU16(body, static_cast<uint32_t>(line_width));
    body.insert(body.end(), {20, 20, 30, 200});

    TBitWriter bits(body);
    bits.WriteUB(1, 4); // fill index bits
    bits.WriteUB(1, 4); // line index bits
    // Style change: move to the first anchor, fill on the right-hand side, outline on.
    const TPoint start = outline.anchors.front();
    bits.WriteUB(0, 1);
    bits.WriteUB(0, 1); // new styles
    bits.WriteUB(1, 1); // line style
    bits.WriteUB(1, 1); // fill style 1
    bits.WriteUB(0, 1); // fill style 0
    bits.WriteUB(1, 1); // move to
    int move_bits = std::max(1, SignedBits({start.x, start.y}));
    bits.WriteUB(static_cast<uint32_t>(move_bits), 5);
    bits.WriteSB(start.x, move_bits);
    bits.WriteSB(start.y, move_bits);
    bits.WriteUB(1, 1); // fill style 1 = first fill
    bits.WriteUB(1, 1); // line style = first line

    TPoint at = start;
    const size_t count = outline.anchors.size();
    for (size_t i = 0; i < count; ++i) {
        const TPoint to = outline.anchors[(i + 1) % count];
        if (outline.controls.empty()) {
            int dx = to.x - at.x, dy = to.y - at.y;
            int n = std::max(2, SignedBits({dx, dy}));
            bits.WriteUB(1, 1); // edge
            bits.WriteUB(1, 1); // straight
            bits.WriteUB(static_cast<uint32_t>(n - 2), 4);
            bits.WriteUB(1, 1); // general line
            bits.WriteSB(dx, n);
            bits.WriteSB(dy, n);
        } else {
            const TPoint c = outline.controls[i];
            int cdx = c.x - at.x, cdy = c.y - at.y, adx = to.x - c.x, ady = to.y - c.y;
            int n = std::max(2, SignedBits({cdx, cdy, adx, ady}));
            bits.WriteUB(1, 1); // edge
            bits.WriteUB(0, 1); // curved
            bits.WriteUB(static_cast<uint32_t>(n - 2), 4);
            bits.WriteSB(cdx, n);
            bits.WriteSB(cdy, n);
            bits.WriteSB(adx, n);
            bits.WriteSB(ady, n);
        }
        at = to;
    }
    bits.WriteUB(0, 6); // end of shape
    bits.Align();
    return body;
}

// PlaceObject2 with a rotation and scale matrix and a multiplying colour transform that
// tints the white fill.
std::vector<uint8_t> PlaceObject(int depth, int character, double x, double y, double angle,
                                 double scale, TRgb tint, double alpha) {
    std::vector<uint8_t> body;
    uint8_t flags = 0x04 | 0x08; // matrix, colour transform
    if (character > 0)
        flags |= 0x02;
    else
        flags |= 0x01; // move the object already at this depth
    body.push_back(flags);
    PutU16(body, static_cast<uint32_t>(depth));
    if (character > 0) PutU16(body, static_cast<uint32_t>(character));

    {
        TBitWriter bits(body);
        auto fixed = [](double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); };
        int32_t sx = fixed(std::cos(angle) * scale), r0 = fixed(std::sin(angle) * scale);
        int32_t r1 = -r0, sy = sx;
        int32_t tx = static_cast<int32_t>(std::lround(x)),
                ty = static_cast<int32_t>(std::lround(y));
        bits.WriteUB(1, 1);
        int n = std::max(1, SignedBits({sx, sy}));
        bits.WriteUB(static_cast<uint32_t>(n), 5);
        bits.WriteSB(sx, n);
        bits.WriteSB(sy, n);
        bits.WriteUB(1, 1);
        n = std::max(1, SignedBits({r0, r1}));
        bits.WriteUB(static_cast<uint32_t>(n), 5);
        bits.WriteSB(r0, n);
        bits.WriteSB(r1, n);
        n = SignedBits({tx, ty});
        bits.WriteUB(static_cast<uint32_t>(n), 5);
        bits.WriteSB(tx, n);
        bits.WriteSB(ty, n);
    }
    {
        TBitWriter bits(body);
        auto term = [](double v) {
            return static_cast<int32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 256));
        };
        bits.WriteUB(0, 1); // no add terms
        bits.WriteUB(1, 1); // multiply terms
        bits.WriteUB(10, 4);
        bits.WriteSB(term(tint.r), 10);
        bits.WriteSB(term(tint.g), 10);
        bits.WriteSB(term(tint.b), 10);
        bits.WriteSB(term(alpha), 10);
    }
    return body;
}

TRgb Hue(double h) {
    // A soft rainbow: hue h in turns, fixed saturation and lightness.
    auto channel = [h](double offset) {
        double v = 0.5 + 0.5 * std::cos(2 * kPi * (h + offset));
        return 0.35 + 0.65 * v;
    };
    return {channel(0.0), channel(-1.0 / 3), channel(1.0 / 3)};
}

std::vector<uint8_t> CompressZlib(const std::vector<uint8_t>& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK)
        throw std::runtime_error("zlib compression failed");
    out.resize(size);
    return out;
}

// Raw LZMA1 data and its 5 property bytes, as the "ZWS" layout stores them: the output of
// the .lzma ("alone") encoder, whose 13-byte header is the properties and an 8-byte size.
std::vector<uint8_t> CompressLzma(const std::vector<uint8_t>& data, std::vector<uint8_t>& props) {
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, 6)) throw std::runtime_error("LZMA preset unavailable");
    // A dictionary no larger than the data keeps players' memory needs small.
    options.dict_size = std::max<uint32_t>(
        4096, std::min<uint32_t>(options.dict_size, static_cast<uint32_t>(data.size())));
    lzma_stream strm = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&strm, &options) != LZMA_OK)
        throw std::runtime_error("LZMA encoder unavailable");
    std::vector<uint8_t> out(data.size() + data.size() / 2 + 1024);
    strm.next_in = data.data();
    strm.avail_in = data.size();
    strm.next_out = out.data();
    strm.avail_out = out.size();
    lzma_ret ret = lzma_code(&strm, LZMA_FINISH);
    size_t written = out.size() - strm.avail_out;
    lzma_end(&strm);
    if (ret != LZMA_STREAM_END || written < 13) throw std::runtime_error("LZMA compression failed");
    props.assign(out.begin(), out.begin() + 5);
    return std::vector<uint8_t>(out.begin() + 13,
                                out.begin() + static_cast<std::ptrdiff_t>(written));
}

} // namespace

std::vector<uint8_t> MakeSwf(const TSwfParams& p) {
    if (p.width < 0 || p.height < 0) throw std::invalid_argument("frame size must not be negative");
    if (p.nbits < -1 || p.nbits > 31) throw std::invalid_argument("nbits must be -1 or 0..31");
    if (p.frames < 1 || p.frames > 65535) throw std::invalid_argument("frames must be 1..65535");
    if (p.version < 1 || p.version > 255) throw std::invalid_argument("version must be 1..255");
    if (!(p.frame_rate > 0 && p.frame_rate < 256))
        throw std::invalid_argument("frame rate must be above 0 and below 256");

    const int64_t w_twips = p.width_twips >= 0 ? p.width_twips : int64_t{p.width} * 20;
    const int64_t h_twips = p.height_twips >= 0 ? p.height_twips : int64_t{p.height} * 20;

    // Everything after the first 8 bytes: this part is what compression covers.
    std::vector<uint8_t> body;
    PutRect(body, p.xmin_twips, p.xmin_twips + w_twips, p.ymin_twips, p.ymin_twips + h_twips,
            p.nbits);
    const int rate_fixed = static_cast<int>(std::lround(p.frame_rate * 256.0));
    PutU16(body, static_cast<uint32_t>(std::min(rate_fixed, 0xffff)));
    PutU16(body, static_cast<uint32_t>(p.frames));

    if (p.version >= 8) {
        // Required first tag from version 8 on: no network access, ActionScript 1/2 or 3.
        std::vector<uint8_t> attributes;
        PutU32(attributes, (p.padding_bytes > 0 ? 0x10u : 0u) | (p.action_script3 ? 0x08u : 0u));
        PutTag(body, kTagFileAttributes, attributes);
    }
    PutTag(body, kTagSetBackgroundColor,
           {static_cast<uint8_t>(p.background >> 16), static_cast<uint8_t>(p.background >> 8),
            static_cast<uint8_t>(p.background)});

    if (p.padding_bytes > 0) {
        static const char words[] = "glimmer drome light star field slow bright dust orbit ";
        std::vector<uint8_t> text;
        text.reserve(p.padding_bytes);
        uint32_t seed = 2463534242u + static_cast<uint32_t>(p.theme);
        while (text.size() + 1 < p.padding_bytes) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            text.push_back(static_cast<uint8_t>(words[seed % (sizeof(words) - 1)]));
        }
        text.push_back(0);
        text.resize(p.padding_bytes);
        PutTag(body, kTagMetadata, text);
    }

    // Shapes are sized and placed relative to the frame, inside the visible rectangle.
    const double fw = std::max<double>(static_cast<double>(w_twips), 400);
    const double fh = std::max<double>(static_cast<double>(h_twips), 400);
    const double unit = std::min(fw, fh);
    const int line = std::max(20, static_cast<int>(unit / 150));
    const int theme = ((p.theme % 4) + 4) % 4;
    if (!p.empty) {
        PutTag(body, kTagDefineShape3,
               DefineShape(1, CircleOutline(static_cast<int>(unit * 0.12)), line));
        PutTag(body, kTagDefineShape3,
               DefineShape(2, StarOutline(static_cast<int>(unit * 0.22), 5 + theme % 2), line));
        PutTag(body, kTagDefineShape3,
               DefineShape(3, SquareOutline(static_cast<int>(unit * 0.09)), line));
    }

    const double hue_base = 0.25 * theme;
    for (int f = 0; f < p.frames; ++f) {
        const double t = static_cast<double>(f) / p.frames; // one full cycle per loop
        const double turn = 2 * kPi * t;
        if (!p.empty) {
            const double cx = p.xmin_twips + fw / 2, cy = p.ymin_twips + fh / 2;
            const int first = f == 0 ? 1 : 0;
            // The circle travels a figure of eight, the star turns in the middle and breathes,
            // the square orbits the other way round.
            PutTag(body, kTagPlaceObject2,
                   PlaceObject(1, first * 1, cx + fw * 0.32 * std::sin(turn),
                               cy + fh * 0.25 * std::sin(2 * turn), 0,
                               1.0 + 0.15 * std::sin(3 * turn), Hue(hue_base + t), 0.9));
            PutTag(body, kTagPlaceObject2,
                   PlaceObject(2, first * 2, cx, cy,
                               (theme % 2 ? -1 : 1) * turn * 0.4 * (5 + theme % 2) / 2,
                               0.85 + 0.2 * std::cos(turn), Hue(hue_base + 0.5 - t), 1.0));
            PutTag(body, kTagPlaceObject2,
                   PlaceObject(3, first * 3, cx + fw * 0.36 * std::cos(-turn + theme),
                               cy + fh * 0.34 * std::sin(-turn + theme), -2 * turn, 1.0,
                               Hue(hue_base + 0.33 + 2 * t), 0.85));
        }
        if (p.stop_at_end && f == p.frames - 1) {
            PutTag(body, kTagDoAction, {0x07 /* stop */, 0x00 /* end of actions */});
        }
        PutTag(body, kTagShowFrame, {});
    }
    PutTag(body, kTagEnd, {});

    std::vector<uint8_t> out;
    const char* signature = p.compression == TSwfCompression::None   ? "FWS"
                            : p.compression == TSwfCompression::Zlib ? "CWS"
                                                                     : "ZWS";
    for (int i = 0; i < 3; ++i)
        out.push_back(static_cast<uint8_t>(signature[i]));
    out.push_back(static_cast<uint8_t>(p.version));
    // The stored length is always the uncompressed movie's, header included.
    PutU32(out, static_cast<uint32_t>(body.size() + 8));
    switch (p.compression) {
    case TSwfCompression::None:
        out.insert(out.end(), body.begin(), body.end());
        break;
    case TSwfCompression::Zlib: {
        std::vector<uint8_t> packed = CompressZlib(body);
        out.insert(out.end(), packed.begin(), packed.end());
        break;
    }
    case TSwfCompression::Lzma: {
        std::vector<uint8_t> props;
        std::vector<uint8_t> packed = CompressLzma(body, props);
        PutU32(out, static_cast<uint32_t>(packed.size()));
        out.insert(out.end(), props.begin(), props.end());
        out.insert(out.end(), packed.begin(), packed.end());
        break;
    }
    }
    return out;
}

void WriteSwf(const std::string& path, const TSwfParams& params) {
    std::vector<uint8_t> data = MakeSwf(params);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("Cannot create file \"" + path + "\"");
    file.write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
    file.close();
    if (!file) throw std::runtime_error("Cannot write file \"" + path + "\"");
}
