#include "number_rules.h"

#include "failures.h"
#include "utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace entry_rules {

namespace {

// What one typed character is to the number reader. Full-width forms come
// from Chinese input methods; "。" is what their Chinese punctuation mode
// types for the "." key.
enum class Symbol { Digit, Sign, Point, Exponent, Blank, Other, End };

struct Classified {
    Symbol symbol;
    char ascii; // the ASCII character it stands for
};

Classified Classify(char32_t cp)
{
    if (cp >= U'0' && cp <= U'9')
        return {Symbol::Digit, static_cast<char>(cp)};
    if (cp >= U'０' && cp <= U'９')
        return {Symbol::Digit, static_cast<char>('0' + (cp - U'０'))};
    switch (cp) {
    case U'+': case U'＋':
        return {Symbol::Sign, '+'};
    case U'-': case U'－': case U'\u2212': // MINUS SIGN
        return {Symbol::Sign, '-'};
    case U'.': case U'．': case U'。':
        return {Symbol::Point, '.'};
    case U'e': case U'E': case U'ｅ': case U'Ｅ':
        return {Symbol::Exponent, 'e'};
    case U' ': case U'\t': case U'\u00A0': case U'\u3000': // NBSP, ideographic space
        return {Symbol::Blank, ' '};
    default:
        return {Symbol::Other, 0};
    }
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) { Advance(); }

    Symbol symbol() const { return current_.symbol; }
    char ascii() const { return current_.ascii; }

    void Advance()
    {
        current_ = pos_ < text_.size() ? Classify(utf8::Next(text_, pos_))
                                       : Classified{Symbol::End, 0};
    }

    void SkipBlanks()
    {
        while (symbol() == Symbol::Blank)
            Advance();
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    Classified current_{Symbol::End, 0};
};

// A number that passed the grammar, written in ASCII for std::from_chars,
// and where its first significant digit stands (a power of ten) so that a
// number out of the double range is known to be too large or too small.
struct AsciiNumber {
    std::string text;
    bool negative = false;
    bool hasSignificantDigit = false;
    long long leadingPower = 0;
};

constexpr long long kExponentCap = 1'000'000'000'000LL; // far beyond any double

// The grammar: blanks* sign? mantissa (exponent sign? digit+)? blanks*,
// where the mantissa has at least one digit and at most one point.
bool ReadGrammar(std::string_view utf8Text, AsciiNumber &number)
{
    std::string &out = number.text;
    Scanner in(utf8Text);
    in.SkipBlanks();

    if (in.symbol() == Symbol::Sign) {
        number.negative = in.ascii() == '-';
        if (number.negative)
            out += '-';
        in.Advance();
    }

    long long integerDigitsFromFirstSignificant = 0;
    long long fractionZerosBeforeSignificant = 0;
    bool sawDigit = false;
    bool inFraction = false;
    for (;; in.Advance()) {
        if (in.symbol() == Symbol::Digit) {
            sawDigit = true;
            const bool significant = number.hasSignificantDigit || in.ascii() != '0';
            if (!inFraction && significant)
                ++integerDigitsFromFirstSignificant;
            else if (inFraction && !number.hasSignificantDigit && !significant)
                ++fractionZerosBeforeSignificant;
            number.hasSignificantDigit = significant;
        } else if (in.symbol() == Symbol::Point && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
        out += in.ascii();
    }
    if (!sawDigit)
        return false;
    number.leadingPower = integerDigitsFromFirstSignificant > 0
                              ? integerDigitsFromFirstSignificant - 1
                              : -(fractionZerosBeforeSignificant + 1);

    if (in.symbol() == Symbol::Exponent) {
        out += 'e';
        in.Advance();
        bool negativeExponent = false;
        if (in.symbol() == Symbol::Sign) {
            negativeExponent = in.ascii() == '-';
            out += in.ascii();
            in.Advance();
        }
        long long exponent = 0;
        bool sawExponentDigit = false;
        for (; in.symbol() == Symbol::Digit; in.Advance()) {
            sawExponentDigit = true;
            exponent = std::min(exponent * 10 + (in.ascii() - '0'), kExponentCap);
            out += in.ascii();
        }
        if (!sawExponentDigit)
            return false;
        number.leadingPower += negativeExponent ? -exponent : exponent;
    }

    in.SkipBlanks();
    return in.symbol() == Symbol::End;
}

} // namespace

double ParseNumber(std::string_view utf8Text)
{
    AsciiNumber number;
    if (!ReadGrammar(utf8Text, number))
        throw NotANumber(utf8Text);

    const char *first = number.text.data();
    const char *last = first + number.text.size();
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range && number.hasSignificantDigit) {
        // Beyond the largest double the nearest value is no number; below
        // the smallest one it is zero.
        if (number.leadingPower > 0)
            throw Overflow(utf8Text);
        return number.negative ? -0.0 : 0.0;
    }
    if (error != std::errc() || end != last || !std::isfinite(value))
        throw NotANumber(utf8Text);
    return value;
}

double RoundHalfEven(double v)
{
    const double nearest = std::round(v); // halves away from zero
    // |nearest - v| is exact: both lie within a factor of two of each other,
    // or v is below one and the difference is v itself.
    if (std::fabs(nearest - v) == 0.5)
        return 2.0 * std::round(v / 2.0);
    return nearest;
}

std::int32_t ToInt32(double v)
{
    const double whole = RoundHalfEven(WithinRange(v));
    if (whole < -2147483648.0 || whole > 2147483647.0)
        throw Overflow();
    return static_cast<std::int32_t>(whole);
}

std::string IntegerText(std::int32_t n)
{
    char digits[16];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), n);
    return std::string(digits, result.ptr);
}

std::string WholeNumberText(double v)
{
    if (v == 0.0)
        return "0"; // negative zero too
    // %.15G: plain digits below 10^15 (a whole number there has at most 15),
    // scientific from there on, trailing zeros of the mantissa dropped.
    char digits[64];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), v,
                                      std::chars_format::general, 15);
    std::string text(digits, result.ptr);
    for (char &c : text) {
        if (c == 'e')
            c = 'E';
    }
    return text;
}

void ThrowOverflow()
{
    throw Overflow();
}

} // namespace entry_rules
