#include "updater/DecimalVersion.h"

namespace updater {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

DecimalVersion DecimalVersion::Parse(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    DecimalVersion v;
    while (i < text.size() && IsDigit(text[i])) {
        if (!v.integer_.empty() || text[i] != '0') v.integer_ += text[i];
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i]))
            v.fraction_ += text[i++];
        while (!v.fraction_.empty() && v.fraction_.back() == '0')
            v.fraction_.pop_back();
    }
    // "-0" is plain zero.
    v.negative_ = negative && !v.IsZero();
    return v;
}

DecimalVersion DecimalVersion::FromMajorMinor(unsigned major, unsigned minor) {
    return Parse(std::to_string(major) + "." + std::to_string(minor));
}

std::strong_ordering DecimalVersion::CompareMagnitude(const DecimalVersion& other) const {
    if (integer_.size() != other.integer_.size()) return integer_.size() <=> other.integer_.size();
    if (const auto c = integer_.compare(other.integer_); c != 0) return c <=> 0;
    // Without trailing zeros, plain string order is numeric order of the fractions.
    return fraction_.compare(other.fraction_) <=> 0;
}

std::strong_ordering DecimalVersion::operator<=>(const DecimalVersion& other) const {
    if (negative_ != other.negative_)
        return negative_ ? std::strong_ordering::less : std::strong_ordering::greater;
    const auto magnitude = CompareMagnitude(other);
    return negative_ ? 0 <=> magnitude : magnitude;
}

std::string DecimalVersion::ToString() const {
    std::string s = negative_ ? "-" : "";
    s += integer_.empty() ? "0" : integer_;
    if (!fraction_.empty()) s += "." + fraction_;
    return s;
}

} // namespace updater
