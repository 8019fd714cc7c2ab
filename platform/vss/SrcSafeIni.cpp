#include "platform/vss/SrcSafeIni.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <random>

#include "platform/vss/LocalFiles.h"
#include "platform/vss/VssError.h"
#include "platform/vss/VssNames.h"

namespace velt::vss {

namespace {

// ---- SHA-256 (FIPS 180-4) ------------------------------------------------

constexpr std::array<uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<uint32_t, 8> kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

class TSha256 {
public:
    void Update(std::string_view data) {
        length_ += data.size();
        while (!data.empty()) {
            size_t n = std::min(data.size(), 64 - used_);
            std::memcpy(block_ + used_, data.data(), n);
            used_ += n;
            data.remove_prefix(n);
            if (used_ == 64) {
                Compress();
                used_ = 0;
            }
        }
    }
    std::string Final() {
        uint64_t bits = length_ * 8;
        block_[used_++] = 0x80;
        if (used_ > 56) {
            while (used_ < 64) block_[used_++] = 0;
            Compress();
            used_ = 0;
        }
        while (used_ < 56) block_[used_++] = 0;
        for (int i = 7; i >= 0; --i) block_[used_++] = uint8_t(bits >> (i * 8));
        Compress();
        std::string out(32, '\0');
        for (int i = 0; i < 8; ++i)
            for (int b = 0; b < 4; ++b) out[size_t(i * 4 + b)] = char(uint8_t(state_[size_t(i)] >> (24 - b * 8)));
        return out;
    }

private:
    void Compress() {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(block_[i * 4]) << 24 | uint32_t(block_[i * 4 + 1]) << 16 | uint32_t(block_[i * 4 + 2]) << 8 |
                   uint32_t(block_[i * 4 + 3]);
        for (int i = 16; i < 64; ++i) {
            uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
        uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
        for (size_t i = 0; i < 64; ++i) {
            uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
            uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state_[0] += a;
        state_[1] += b;
        state_[2] += c;
        state_[3] += d;
        state_[4] += e;
        state_[5] += f;
        state_[6] += g;
        state_[7] += h;
    }

    std::array<uint32_t, 8> state_ = kInitial;
    uint8_t block_[64] = {};
    size_t used_ = 0;
    uint64_t length_ = 0;
};

// HMAC-SHA256 with the key's two padded blocks hashed once, so that each
// PBKDF2 round costs two block compressions.
class THmacSha256 {
public:
    explicit THmacSha256(std::string_view key) {
        std::string k = key.size() > 64 ? Sha256(key) : std::string(key);
        k.resize(64, '\0');
        std::string inner(64, '\0'), outer(64, '\0');
        for (size_t i = 0; i < 64; ++i) {
            inner[i] = char(k[i] ^ 0x36);
            outer[i] = char(k[i] ^ 0x5c);
        }
        inner_.Update(inner);
        outer_.Update(outer);
    }
    std::string operator()(std::string_view message) const {
        TSha256 in = inner_;
        in.Update(message);
        TSha256 out = outer_;
        out.Update(in.Final());
        return out.Final();
    }

private:
    TSha256 inner_, outer_;
};

// One 32-byte block of PBKDF2-HMAC-SHA256.
std::string Pbkdf2(std::string_view password, std::string_view salt, unsigned iterations) {
    THmacSha256 hmac(password);
    std::string u = hmac(std::string(salt) + std::string("\0\0\0\1", 4));
    std::string result = u;
    for (unsigned i = 1; i < iterations; ++i) {
        u = hmac(u);
        for (size_t b = 0; b < result.size(); ++b) result[b] = char(result[b] ^ u[b]);
    }
    return result;
}

constexpr unsigned kIterations = 2000;
constexpr const char* kHashScheme = "pbkdf2-sha256";

bool FromHex(std::string_view hex, std::string& out) {
    if (hex.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int v = 0;
        for (char c : hex.substr(i, 2)) {
            v <<= 4;
            if (c >= '0' && c <= '9') v |= c - '0';
            else if (c >= 'a' && c <= 'f') v |= c - 'a' + 10;
            else return false;
        }
        out += char(v);
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::string Sha256(std::string_view data) {
    TSha256 h;
    h.Update(data);
    return h.Final();
}

std::string HexBytes(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string r;
    for (unsigned char c : bytes) {
        r += digits[c >> 4];
        r += digits[c & 15];
    }
    return r;
}

std::string HashPassword(std::string_view password) {
    std::random_device random;
    std::string salt;
    for (int i = 0; i < 16; ++i) salt += char(random() & 0xFF);
    return std::string(kHashScheme) + ":" + std::to_string(kIterations) + ":" + HexBytes(salt) + ":" +
           HexBytes(Pbkdf2(password, salt, kIterations));
}

bool VerifyPassword(std::string_view password, std::string_view stored) {
    // scheme:iterations:salt:hash
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= stored.size(); ++i) {
        if (i == stored.size() || stored[i] == ':') {
            parts.push_back(stored.substr(start, i - start));
            start = i + 1;
        }
    }
    std::string salt, hash;
    if (parts.size() != 4 || parts[0] != kHashScheme || !FromHex(parts[2], salt) || !FromHex(parts[3], hash) ||
        hash.size() != 32)
        return false;
    unsigned iterations = 0;
    for (char c : parts[1]) {
        if (c < '0' || c > '9' || iterations > 1000000) return false;
        iterations = iterations * 10 + unsigned(c - '0');
    }
    if (iterations == 0 || iterations > 1000000) return false;
    std::string computed = Pbkdf2(password, salt, iterations);
    unsigned char diff = 0;
    for (size_t i = 0; i < 32; ++i) diff |= uint8_t(computed[i] ^ hash[i]);
    return diff == 0;
}

std::string InvalidUserReason(std::string_view name) {
    if (Trim(name).empty()) return "an empty user name";
    if (name.size() > 64) return "a user name longer than 64 characters";
    if (name != Trim(name)) return "a user name that starts or ends with a blank";
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || std::string_view(",=[];").find(char(c)) != std::string_view::npos)
            return "a user name holding a control character or one of , = [ ] ;";
    return {};
}

int TSrcSafeIni::FindUser(std::string_view name) const {
    for (size_t i = 0; i < Users.size(); ++i)
        if (SameName(Users[i].first, name)) return int(i);
    return -1;
}

TSrcSafeIni ParseSrcSafeIni(std::string_view text) {
    TSrcSafeIni ini;
    std::string section;
    int lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size()) pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
        ++lineNo;
        auto problem = [&](const std::string& why) {
            ini.Problems.push_back("line " + std::to_string(lineNo) + ": " + why);
        };
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.back() != ']') {
                problem("a section header without \"]\"");
                continue;
            }
            section = FoldName(Trim(line.substr(1, line.size() - 2)));
            if (section != "database" && section != "users") problem("an unknown section");
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            problem("a line without \"=\"");
            continue;
        }
        std::string_view key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        if (section == "database") {
            std::string k = FoldName(key);
            if (k == "data_file") {
                if (value.empty() || value.find_first_of("/\\") != std::string_view::npos || value == "." ||
                    value == "..")
                    problem("Data_File must be a file name in the database folder");
                else
                    ini.DataFile = std::string(value);
            } else if (k == "multiple_checkouts") {
                std::string v = FoldName(value);
                if (v == "yes") ini.MultipleCheckouts = true;
                else if (v == "no") ini.MultipleCheckouts = false;
                else problem("Multiple_Checkouts must be Yes or No");
            } else {
                problem("an unknown key");
            }
        } else if (section == "users") {
            std::string why = InvalidUserReason(key);
            if (!why.empty()) problem(why);
            else if (ini.FindUser(key) >= 0) problem("a user named twice");
            else ini.Users.emplace_back(std::string(key), std::string(value));
        } else if (section.empty()) {
            problem("a value before the first section");
        }
    }
    return ini;
}

std::string FormatSrcSafeIni(const TSrcSafeIni& ini) {
    std::string text =
        "; Database of the source-control stand-in. Change it with vss-admin.\n"
        "[Database]\n"
        "Data_File = " + ini.DataFile + "\n" +
        "Multiple_Checkouts = " + (ini.MultipleCheckouts ? "Yes" : "No") + "\n" +
        "[Users]\n";
    for (auto& [name, hash] : ini.Users) text += name + " = " + hash + "\n";
    return text;
}

TSrcSafeIni LoadSrcSafeIni(const std::string& path) {
    std::string text;
    if (!TryReadLocalFile(path, text))
        RaiseVss(VSS_E_DATABASE, "\"" + path + "\" is not a SourceSafe database: it cannot be read");
    TSrcSafeIni ini = ParseSrcSafeIni(text);
    if (!ini.Problems.empty()) RaiseVss(VSS_E_DATABASE, "\"" + path + "\" is damaged: " + ini.Problems.front());
    return ini;
}

void SaveSrcSafeIni(const std::string& path, const TSrcSafeIni& ini) {
    WriteLocalFile(path, FormatSrcSafeIni(ini), true, 0);
}

}  // namespace velt::vss
