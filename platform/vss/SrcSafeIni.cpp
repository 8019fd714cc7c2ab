#include "platform/vss/SrcSafeIni.h"

#include <sys/stat.h>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include "platform/vss/LocalFiles.h"
#include "platform/vss/VssError.h"
#include "platform/vss/VssNames.h"

namespace velt::vss {

namespace {

constexpr const char* kHashScheme = "pbkdf2-sha256";
constexpr unsigned kMaxIterations = 10'000'000;

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
    // Fetched once, and one context per thread: a listing checks a checksum
    // per item, and looking the digest up each time would cost most of it.
    struct TDigest {
        EVP_MD* Md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
        ~TDigest() { EVP_MD_free(Md); }
    };
    struct TContext {
        EVP_MD_CTX* Ctx = EVP_MD_CTX_new();
        ~TContext() { EVP_MD_CTX_free(Ctx); }
    };
    static const TDigest digestType;
    thread_local TContext context;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!digestType.Md || !context.Ctx || EVP_DigestInit_ex(context.Ctx, digestType.Md, nullptr) != 1 ||
        EVP_DigestUpdate(context.Ctx, data.data(), data.size()) != 1 ||
        EVP_DigestFinal_ex(context.Ctx, digest, &size) != 1 || size != 32)
        RaiseVss(VSS_E_DATABASE, "SHA-256 is not available");
    return std::string(reinterpret_cast<const char*>(digest), size);
}

bool SameBytes(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
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

namespace {

std::string Pbkdf2(std::string_view password, std::string_view salt, unsigned iterations) {
    unsigned char out[32];
    if (PKCS5_PBKDF2_HMAC(password.data(), int(password.size()), reinterpret_cast<const unsigned char*>(salt.data()),
                          int(salt.size()), int(iterations), EVP_sha256(), sizeof out, out) != 1)
        RaiseVss(VSS_E_DATABASE, "PBKDF2 is not available");
    return std::string(reinterpret_cast<const char*>(out), sizeof out);
}

}  // namespace

bool ParsePasswordHash(std::string_view stored, TPasswordHash& hash) {
    // scheme:iterations:salt:hash
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= stored.size() && parts.size() <= 4; ++i) {
        if (i == stored.size() || stored[i] == ':') {
            parts.push_back(stored.substr(start, i - start));
            start = i + 1;
        }
    }
    if (parts.size() != 4 || parts[0] != kHashScheme || parts[1].empty() || parts[1].size() > 8 ||
        !FromHex(parts[2], hash.Salt) || hash.Salt.empty() || hash.Salt.size() > 64 || !FromHex(parts[3], hash.Hash) ||
        hash.Hash.size() != 32)
        return false;
    hash.Iterations = 0;
    for (char c : parts[1]) {
        if (c < '0' || c > '9') return false;
        hash.Iterations = hash.Iterations * 10 + unsigned(c - '0');
    }
    return hash.Iterations > 0 && hash.Iterations <= kMaxIterations;
}

std::string HashPassword(std::string_view password, unsigned iterations) {
    unsigned char salt[16];
    if (RAND_bytes(salt, sizeof salt) != 1) RaiseVss(VSS_E_DATABASE, "No random bytes for the password's salt");
    std::string s(reinterpret_cast<const char*>(salt), sizeof salt);
    return std::string(kHashScheme) + ":" + std::to_string(iterations) + ":" + HexBytes(s) + ":" +
           HexBytes(Pbkdf2(password, s, iterations));
}

TPasswordCheck CheckPassword(std::string_view password, std::string_view stored) {
    TPasswordHash hash;
    if (!ParsePasswordHash(stored, hash)) return TPasswordCheck::Damaged;
    return SameBytes(Pbkdf2(password, hash.Salt, hash.Iterations), hash.Hash) ? TPasswordCheck::Match
                                                                             : TPasswordCheck::Mismatch;
}

void SpendPasswordCheck(std::string_view password) {
    static const std::string salt(16, '\x5a');
    Pbkdf2(password, salt, kPasswordIterations);
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
    bool database = false, users = false;
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
            database = database || section == "database";
            users = users || section == "users";
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
    // Empty, or cut short: without them it names no users to log on as.
    if (!database) ini.Problems.push_back("the [Database] section is missing");
    if (!users) ini.Problems.push_back("the [Users] section is missing");
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
    if (!ini.Problems.empty())
        RaiseVss(VSS_E_DATABASE, "srcsafe.ini is damaged: " + ini.Problems.front() + " (file \"" + path + "\")");
    return ini;
}

void SaveSrcSafeIni(const std::string& path, const TSrcSafeIni& ini, mode_t mode) {
    WriteLocalFileWithMode(path, FormatSrcSafeIni(ini), mode);
}

mode_t SrcSafeIniMode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? mode_t(st.st_mode & 0777) : kPrivateMode;
}

void SaveSrcSafeIni(const std::string& path, const TSrcSafeIni& ini) {
    SaveSrcSafeIni(path, ini, SrcSafeIniMode(path));
}

void UpdateSrcSafeIni(const std::string& path, const std::function<void(TSrcSafeIni&)>& change) {
    const mode_t mode = SrcSafeIniMode(path);
    TFileLock lock(path + ".lock", mode);
    TSrcSafeIni ini = LoadSrcSafeIni(path);
    change(ini);
    SaveSrcSafeIni(path, ini, mode);
}

}  // namespace velt::vss
