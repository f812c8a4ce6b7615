#pragma once
// The failures a computation can stop with. Each is thrown at the failing
// step, before anything on a screen changes, and carries the sentence the
// user is shown: what was wrong and what to do about it.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace entry_rules {

class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string &userMessage) : std::runtime_error(userMessage) {}
    // The Chinese sentence for the message box titled "出错".
    std::string userMessage() const { return what(); }
};

// An entry text that is neither empty nor a number.
class NotANumber : public Failure {
public:
    explicit NotANumber(std::string_view offendingText);
    const std::string &text() const { return text_; }

private:
    std::string text_;
};

// A whole number outside the 32-bit range, or an arithmetic step whose
// result leaves the double range.
class Overflow : public Failure {
public:
    Overflow();
    // A typed number beyond the largest double (such as 1e999).
    explicit Overflow(std::string_view offendingText);
};

// A division whose divisor is exactly zero (the CCT formula when y = 0.187).
class DivisionByZero : public Failure {
public:
    explicit DivisionByZero(const std::string &userMessage) : Failure(userMessage) {}
};

// The offending text as it may be quoted in a message or a summary: at most
// maxCharacters characters (then "…"), control characters (ESC, BEL, …) and
// invisible marks shown as [U+001B], never invalid UTF-8. Every text from a
// file that reaches the user's terminal passes through here.
inline constexpr std::size_t kQuotedCharacters = 30;
std::string QuotableText(std::string_view text, std::size_t maxCharacters = kQuotedCharacters);

} // namespace entry_rules
