#include "tools/skinpack/run_length.h"

#include <algorithm>
#include <array>

namespace skinpack {
namespace {

struct Token {
    bool run;
    uint8_t value;
    uint8_t count;  // runs only
};

size_t TokenBytes(const Token& t) {
    return t.run ? 3 : 1;
}

std::vector<Token> Tokenise(const Bytes& data, uint8_t escape) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < data.size()) {
        size_t n = 1;
        while (i + n < data.size() && data[i + n] == data[i]) ++n;
        const uint8_t v = data[i];
        size_t left = n;
        // Runs of three or fewer cost no less as literals; the escape itself must run.
        while (left > 0) {
            if (v == escape || left >= 4) {
                const size_t c = std::min<size_t>(left, 255);
                tokens.push_back({true, v, static_cast<uint8_t>(c)});
                left -= c;
            } else {
                tokens.push_back({false, v, 0});
                --left;
            }
        }
        i += n;
    }
    return tokens;
}

size_t StreamBytes(const std::vector<Token>& tokens) {
    size_t n = 0;
    for (const Token& t : tokens) n += TokenBytes(t);
    return n;
}

// Adds exactly one byte to the stream without changing what it expands to.
bool GrowByOne(std::vector<Token>& tokens, uint8_t escape) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        Token& t = tokens[i];
        if (t.run && t.value != escape && t.count >= 2) {
            --t.count;
            tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                          Token{false, t.value, 0});
            return true;
        }
    }
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (!tokens[i].run && !tokens[i + 1].run && tokens[i].value == tokens[i + 1].value) {
            tokens[i] = {true, tokens[i].value, 2};
            tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return true;
        }
    }
    return false;
}

// Adds exactly two bytes: a literal becomes a one-count run.
bool GrowByTwo(std::vector<Token>& tokens) {
    for (Token& t : tokens) {
        if (!t.run) {
            t = {true, t.value, 1};
            return true;
        }
    }
    return false;
}

}  // namespace

uint8_t ChooseEscape(const Bytes& data) {
    std::array<size_t, 256> counts{};
    for (uint8_t b : data) ++counts[b];
    // Prefer a byte that is not zero or 0xFF when several are equally rare: those two
    // tend to appear in later edits of an image.
    size_t best = 1;
    for (size_t v = 1; v < 255; ++v) {
        if (counts[v] < counts[best])
            best = v;
    }
    if (counts[0] < counts[best])
        best = 0;
    if (counts[255] < counts[best])
        best = 255;
    return static_cast<uint8_t>(best);
}

size_t MinimalPackedLength(const Bytes& data, uint8_t escape) {
    return 5 + StreamBytes(Tokenise(data, escape));
}

bool PackRunLength(const Bytes& data, size_t packedLength, Bytes* record, std::string* error) {
    const uint8_t escape = ChooseEscape(data);
    std::vector<Token> tokens = Tokenise(data, escape);
    if (tokens.empty())
        tokens.push_back({true, 0, 0});  // the reader always takes one token
    const size_t minimal = 5 + StreamBytes(tokens);
    if (minimal > packedLength) {
        *error = "packs to " + std::to_string(minimal) + " bytes, more than the " +
                 std::to_string(packedLength) + " allowed";
        return false;
    }
    size_t extra = packedLength - minimal;
    bool ok = true;
    if (extra % 3 == 1) {
        if (GrowByOne(tokens, escape)) {
            extra -= 1;
        } else if (extra >= 4 && GrowByTwo(tokens) && GrowByTwo(tokens)) {
            extra -= 4;
        } else {
            ok = false;
        }
    } else if (extra % 3 == 2) {
        if (GrowByTwo(tokens)) {
            extra -= 2;
        } else if (GrowByOne(tokens, escape) && GrowByOne(tokens, escape)) {
            extra -= 2;
        } else {
            ok = false;
        }
    }
    if (!ok) {
        *error = "cannot pad " + std::to_string(minimal) + " bytes to exactly " +
                 std::to_string(packedLength);
        return false;
    }
    // Empty runs go first: they expand to nothing and stay ahead of the final token.
    std::vector<Token> padding(extra / 3, Token{true, 0, 0});
    tokens.insert(tokens.begin(), padding.begin(), padding.end());

    record->clear();
    record->reserve(packedLength);
    const uint32_t n = static_cast<uint32_t>(data.size());
    for (int shift = 0; shift < 32; shift += 8) record->push_back(static_cast<uint8_t>(n >> shift));
    record->push_back(escape);
    for (const Token& t : tokens) {
        if (t.run) {
            record->push_back(escape);
            record->push_back(t.value);
            record->push_back(t.count);
        } else {
            record->push_back(t.value);
        }
    }
    if (record->size() != packedLength) {
        *error = "internal padding error";
        return false;
    }
    return true;
}

bool UnpackRunLength(const uint8_t* record, size_t length, size_t capacity, Bytes* out,
                     std::string* error) {
    out->clear();
    if (length < 6) {
        *error = "record shorter than its head and one token";
        return false;
    }
    const size_t declared = static_cast<size_t>(record[0]) | static_cast<size_t>(record[1]) << 8 |
                            static_cast<size_t>(record[2]) << 16 |
                            static_cast<size_t>(record[3]) << 24;
    if (declared > capacity) {
        *error =
            "declares " + std::to_string(declared) + " bytes, room for " + std::to_string(capacity);
        return false;
    }
    const uint8_t escape = record[4];
    size_t at = 5;
    do {
        if (at >= length) {
            *error = "token stream ends before the declared length";
            return false;
        }
        if (record[at] != escape) {
            if (out->size() >= capacity) {
                *error = "literal past the end of the output";
                return false;
            }
            out->push_back(record[at++]);
            continue;
        }
        if (at + 3 > length) {
            *error = "run cut off by the end of the record";
            return false;
        }
        const size_t count = record[at + 2];
        if (out->size() + count > capacity) {
            *error = "run past the end of the output";
            return false;
        }
        out->insert(out->end(), count, record[at + 1]);
        at += 3;
    } while (out->size() < declared);
    return true;
}

}  // namespace skinpack
