#include "runtime/PropertyBag.h"

#include "runtime/Checked.h"
#include "runtime/RtError.h"
#include "runtime/TextCodec.h"

#include <algorithm>
#include <cstdint>

namespace rt {

namespace {

bool IsKeyStart(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsKeyChar(char32_t c) {
    return IsKeyStart(c) || (c >= '0' && c <= '9');
}
// Numbered entries of a list ("Bmp:3") carry a colon after the first character.
bool IsKeyTailChar(char32_t c) {
    return IsKeyChar(c) || c == ':';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
// C0, DEL and C1: written as escapes so that a value never breaks or hides inside a line.
bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int32_t AsInteger(const PropValue& v) {
    if (auto b = std::get_if<bool>(&v)) return *b ? kTrue : kFalse;
    if (auto i = std::get_if<int16_t>(&v)) return *i;
    if (auto i = std::get_if<int32_t>(&v)) return *i;
    RaiseTypeMismatch();
}

template <class T> T Exactly(const PropValue& v) {
    if (auto p = std::get_if<T>(&v)) return *p;
    RaiseTypeMismatch();
}

void AppendHex(std::string& out, uint32_t v, int minDigits) {
    static const char kDigits[] = "0123456789ABCDEF";
    char buf[8];
    int n = 0;
    do {
        buf[n++] = kDigits[v & 0xF];
        v >>= 4;
    } while (v != 0 || n < minDigits);
    while (n > 0)
        out += buf[--n];
}

void AppendQuoted(std::string& out, std::wstring_view s) {
    out += '"';
    for (size_t pos = 0; pos < s.size();) {
        const char32_t c = DecodeWide(s, pos);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (IsControl(c)) {
                out += "\\u{";
                AppendHex(out, c, 1);
                out += '}';
            } else {
                AppendUtf8(out, c);
            }
        }
    }
    out += '"';
}

struct ValueWriter {
    std::string& out;
    void operator()(bool b) const { out += b ? "bool True" : "bool False"; }
    void operator()(int16_t v) const { out += "i16 " + std::to_string(v); }
    void operator()(int32_t v) const { out += "i32 " + std::to_string(v); }
    void operator()(const std::wstring& s) const {
        out += "text ";
        AppendQuoted(out, s);
    }
    void operator()(OleColor c) const {
        out += "color &H";
        AppendHex(out, c.value, 8);
        out += '&';
    }
    void operator()(const PictureRef& p) const {
        out += "picture ";
        AppendQuoted(out, p.name);
    }
    // font "Name" size weight charset italic underline strikethrough
    void operator()(const FontRef& f) const {
        out += "font ";
        AppendQuoted(out, f.name);
        out += ' ';
        out += std::to_string(f.sizeTenThousandths / 10000);
        if (int32_t frac = f.sizeTenThousandths % 10000; frac != 0) {
            std::string digits = std::to_string(frac + 10000).substr(1);
            while (digits.back() == '0')
                digits.pop_back();
            out += '.' + digits;
        }
        out += ' ' + std::to_string(f.weight) + ' ' + std::to_string(f.charset);
        for (bool b : {f.italic, f.underline, f.strikethrough})
            out += b ? " True" : " False";
    }
};

struct Malformed {
    const char* why;
};

constexpr const char* kColorForm = "color must be &HXXXXXXXX&";

// One line, already split off and checked to be valid UTF-8.
class LineReader {
  public:
    explicit LineReader(std::string_view line) : s_(line) {}

    bool AtEnd() const { return pos_ >= s_.size(); }
    // '\0' at the end, which no token accepts.
    char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }
    void SkipBlanks() {
        while (!AtEnd() && IsBlank(s_[pos_]))
            ++pos_;
    }
    void Expect(char c, const char* why) {
        if (Peek() != c) throw Malformed{why};
        ++pos_;
    }
    std::string_view Word() {
        const size_t start = pos_;
        while (!AtEnd() && IsKeyChar(static_cast<unsigned char>(s_[pos_])))
            ++pos_;
        return s_.substr(start, pos_ - start);
    }

    std::wstring Key() {
        const size_t start = pos_;
        while (!AtEnd() && IsKeyTailChar(static_cast<unsigned char>(s_[pos_])))
            ++pos_;
        const std::string_view word = s_.substr(start, pos_ - start);
        if (word.empty() || !IsKeyStart(static_cast<unsigned char>(word[0])) ||
            word.size() > PropertyBag::kMaxKeyLength)
            throw Malformed{"bad key"};
        return std::wstring(word.begin(), word.end());
    }

    PropValue Value() {
        const std::string_view kind = Word();
        if (kind.empty()) throw Malformed{"missing kind"};
        if (kind != "bool" && kind != "i16" && kind != "i32" && kind != "text" && kind != "color" &&
            kind != "picture" && kind != "font")
            throw Malformed{"unknown kind"};
        if (!IsBlank(Peek())) throw Malformed{"missing value"};
        SkipBlanks();
        if (kind == "bool") return Bool();
        if (kind == "i16") return PropValue(std::in_place_type<int16_t>, Narrow<int16_t>(Integer(16)));
        if (kind == "i32") return PropValue(std::in_place_type<int32_t>, Narrow<int32_t>(Integer(32)));
        if (kind == "text") return Quoted();
        if (kind == "color") return Color();
        if (kind == "font") return Font();
        return PictureRef{Quoted()};
    }

  private:
    void Blank() {
        if (!IsBlank(Peek())) throw Malformed{"missing value"};
        SkipBlanks();
    }

    FontRef Font() {
        FontRef f;
        f.name = Quoted();
        Blank();
        f.sizeTenThousandths = Size();
        Blank();
        const int64_t weight = Integer(16);
        if (weight < 0 || weight > 1000) throw Malformed{"font weight must be 0 to 1000"};
        f.weight = static_cast<int16_t>(weight);
        Blank();
        const int64_t charset = Integer(16);
        if (charset < 0 || charset > 255) throw Malformed{"font charset must be 0 to 255"};
        f.charset = static_cast<uint8_t>(charset);
        for (bool* b : {&f.italic, &f.underline, &f.strikethrough}) {
            Blank();
            *b = Bool();
        }
        return f;
    }

    // Points with up to four decimals, kept in ten-thousandths.
    int32_t Size() {
        int64_t v = 0;
        size_t digits = 0;
        for (; !AtEnd() && s_[pos_] >= '0' && s_[pos_] <= '9'; ++pos_, ++digits) {
            v = v * 10 + (s_[pos_] - '0');
            if (v > INT32_MAX / 10000) throw Malformed{"font size out of range"};
        }
        if (digits == 0) throw Malformed{"bad font size"};
        v *= 10000;
        if (Peek() == '.') {
            ++pos_;
            int64_t scale = 1000;
            size_t decimals = 0;
            for (; !AtEnd() && s_[pos_] >= '0' && s_[pos_] <= '9'; ++pos_, ++decimals, scale /= 10) {
                if (decimals == 4) throw Malformed{"font size has more than four decimals"};
                v += (s_[pos_] - '0') * scale;
            }
            if (decimals == 0) throw Malformed{"bad font size"};
        }
        if (v > INT32_MAX) throw Malformed{"font size out of range"};
        return static_cast<int32_t>(v);
    }

    bool Bool() {
        const std::string_view word = Word();
        if (word == "True") return true;
        if (word == "False") return false;
        throw Malformed{"bool must be True or False"};
    }

    int64_t Integer(int bits) {
        const bool negative = Peek() == '-';
        if (negative) ++pos_;
        const int64_t limit = (int64_t{1} << (bits - 1)) - (negative ? 0 : 1);
        int64_t v = 0;
        size_t digits = 0;
        for (; !AtEnd() && s_[pos_] >= '0' && s_[pos_] <= '9'; ++pos_, ++digits) {
            v = v * 10 + (s_[pos_] - '0');
            if (v > limit) throw Malformed{"number out of range"};
        }
        if (digits == 0) throw Malformed{"bad number"};
        return negative ? -v : v;
    }

    OleColor Color() {
        Expect('&', kColorForm);
        if (Peek() != 'H' && Peek() != 'h') throw Malformed{kColorForm};
        ++pos_;
        uint32_t v = 0;
        for (int i = 0; i < 8; ++i, ++pos_) {
            const int d = HexDigit(Peek());
            if (d < 0) throw Malformed{kColorForm};
            v = (v << 4) | static_cast<uint32_t>(d);
        }
        Expect('&', kColorForm);
        return OleColor{v};
    }

    std::wstring Quoted() {
        Expect('"', "expected a quoted string");
        std::wstring out;
        for (;;) {
            if (AtEnd()) throw Malformed{"unterminated string"};
            const char c = s_[pos_];
            if (c == '"') {
                ++pos_;
                return out;
            }
            if (c == '\\') {
                ++pos_;
                AppendWide(out, Escape());
                continue;
            }
            const char32_t cp = DecodeUtf8(s_, pos_);
            if (IsControl(cp)) throw Malformed{"control character in a string must be escaped"};
            AppendWide(out, cp);
        }
    }

    char32_t Escape() {
        if (AtEnd()) throw Malformed{"unterminated string"};
        switch (s_[pos_++]) {
        case '"':
            return '"';
        case '\\':
            return '\\';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'u':
            break;
        default:
            throw Malformed{"bad escape"};
        }
        Expect('{', "bad escape");
        char32_t cp = 0;
        int digits = 0;
        for (int d; (d = HexDigit(Peek())) >= 0; ++pos_, ++digits) {
            if (digits == 6) throw Malformed{"bad escape"};
            cp = (cp << 4) | static_cast<char32_t>(d);
        }
        Expect('}', "bad escape");
        if (digits == 0 || !IsScalarValue(cp)) throw Malformed{"bad escape"};
        return cp;
    }

    std::string_view s_;
    size_t pos_ = 0;
};

} // namespace

const PropValue* PropertyBag::Find(std::wstring_view key) const {
    for (const auto& [k, v] : entries_)
        if (EqualsNoCase(k, key)) return &v;
    return nullptr;
}

bool PropertyBag::ReadBool(std::wstring_view key, bool def) const {
    const PropValue* v = Find(key);
    if (!v) return def;
    return AsInteger(*v) != 0;
}

int16_t PropertyBag::ReadInt16(std::wstring_view key, int16_t def) const {
    const PropValue* v = Find(key);
    return v ? Narrow<int16_t>(AsInteger(*v)) : def;
}

int32_t PropertyBag::ReadInt32(std::wstring_view key, int32_t def) const {
    const PropValue* v = Find(key);
    return v ? AsInteger(*v) : def;
}

std::wstring PropertyBag::ReadText(std::wstring_view key, std::wstring def) const {
    const PropValue* v = Find(key);
    return v ? Exactly<std::wstring>(*v) : def;
}

OleColor PropertyBag::ReadColor(std::wstring_view key, OleColor def) const {
    const PropValue* v = Find(key);
    return v ? Exactly<OleColor>(*v) : def;
}

PictureRef PropertyBag::ReadPicture(std::wstring_view key, PictureRef def) const {
    const PropValue* v = Find(key);
    return v ? Exactly<PictureRef>(*v) : def;
}

FontRef PropertyBag::ReadFont(std::wstring_view key, FontRef def) const {
    const PropValue* v = Find(key);
    return v ? Exactly<FontRef>(*v) : def;
}

PropValue PropertyBag::Read(std::wstring_view key, PropValue def) const {
    const PropValue* v = Find(key);
    return v ? *v : def;
}

void PropertyBag::Write(std::wstring_view key, const PropValue& value, const PropValue& def) {
    if (!IsValidKey(key)) RaiseInvalidCall();
    if (const auto* f = std::get_if<FontRef>(&value);
        f && (f->sizeTenThousandths < 0 || f->weight < 0 || f->weight > 1000))
        RaiseInvalidCall();
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return EqualsNoCase(e.first, key); });
    if (value == def) {
        if (it != entries_.end()) entries_.erase(it);
    } else if (it != entries_.end()) {
        it->second = value;
    } else {
        entries_.emplace_back(std::wstring(key), value);
    }
}

bool operator==(const PropertyBag& a, const PropertyBag& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [key, value] : a.entries_) {
        const PropValue* other = b.Find(key);
        if (!other || !(*other == value)) return false;
    }
    return true;
}

bool PropertyBag::IsValidKey(std::wstring_view key) {
    if (key.empty() || key.size() > kMaxKeyLength || !IsKeyStart(static_cast<char32_t>(key[0]))) return false;
    return std::all_of(key.begin(), key.end(),
                       [](wchar_t c) { return IsKeyTailChar(static_cast<char32_t>(c)); });
}

std::string PropertyBag::ToText() const {
    std::string out;
    for (const auto& [key, value] : entries_) {
        out += WideToUtf8(key);
        out += " = ";
        std::visit(ValueWriter{out}, value);
        out += '\n';
    }
    return out;
}

std::optional<PropertyBag> PropertyBag::FromText(std::string_view utf8, std::string* error) {
    // Editors that save UTF-8 often put a byte-order mark first.
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    PropertyBag bag;
    size_t lineNo = 0;
    while (!utf8.empty()) {
        ++lineNo;
        const size_t nl = utf8.find('\n');
        std::string_view line = utf8.substr(0, nl);
        utf8.remove_prefix(nl == std::string_view::npos ? utf8.size() : nl + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        try {
            if (!IsValidUtf8(line)) throw Malformed{"invalid UTF-8"};
            LineReader r(line);
            r.SkipBlanks();
            if (r.AtEnd() || r.Peek() == '\'') continue;
            std::wstring key = r.Key();
            r.SkipBlanks();
            r.Expect('=', "expected '='");
            r.SkipBlanks();
            PropValue value = r.Value();
            r.SkipBlanks();
            if (!r.AtEnd()) throw Malformed{"unexpected text after the value"};
            if (bag.Contains(key)) throw Malformed{"duplicate key"};
            bag.entries_.emplace_back(std::move(key), std::move(value));
        } catch (const Malformed& m) {
            if (error) *error = "line " + std::to_string(lineNo) + ": " + m.why;
            return std::nullopt;
        }
    }
    return bag;
}

} // namespace rt
