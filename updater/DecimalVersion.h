#pragma once
// A version number as the update list writes it, compared as a decimal number: 1.10 < 1.5, 1.50 == 1.5.
// Kept as digit strings, so any length compares exactly and nothing overflows.
#include <compare>
#include <string>
#include <string_view>

namespace updater {

class DecimalVersion {
  public:
    // Zero.
    DecimalVersion() = default;

    // The leading numeric part of text: blanks, an optional sign, digits, an optional point and digits.
    // Text without one (empty, "abc", ".") reads as 0.
    static DecimalVersion Parse(std::string_view text);
    // The program's own "major.minor".
    static DecimalVersion FromMajorMinor(unsigned major, unsigned minor);

    std::strong_ordering operator<=>(const DecimalVersion& other) const;
    bool operator==(const DecimalVersion& other) const = default;

    bool IsZero() const { return integer_.empty() && fraction_.empty(); }
    // Normalised ("1.5", "0", "-0.25"); for test messages.
    std::string ToString() const;

  private:
    std::strong_ordering CompareMagnitude(const DecimalVersion& other) const;

    bool negative_ = false;
    std::string integer_;  // no leading zeros
    std::string fraction_; // no trailing zeros
};

} // namespace updater
