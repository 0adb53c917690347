#include "scpi_message.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace tavik::scpi {

namespace {

// Ranges of a channel list spelled out are at most this long: the list is a
// parameter, not a way to make the instrument allocate.
constexpr uint32_t MaxListedChannels = 64;

bool Letter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool Digit(char c) { return c >= '0' && c <= '9'; }
bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

class TReader {
public:
    explicit TReader(std::string_view text) : Text_(text) {}

    bool End() const { return At_ >= Text_.size(); }
    char Peek() const { return End() ? '\0' : Text_[At_]; }
    bool Take(char c) {
        if (Peek() != c || End()) return false;
        ++At_;
        return true;
    }
    bool SkipBlanks() {
        const std::size_t before = At_;
        while (!End() && Blank(Text_[At_])) ++At_;
        return At_ != before;
    }
    std::string_view TakeWhile(bool (*accept)(char)) {
        const std::size_t start = At_;
        while (!End() && accept(Text_[At_])) ++At_;
        return Text_.substr(start, At_ - start);
    }
    std::size_t Position() const { return At_; }
    void Restore(std::size_t position) { At_ = position; }

private:
    std::string_view Text_;
    std::size_t At_ = 0;
};

bool NameChar(char c) { return Letter(c) || Digit(c) || c == '_'; }

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// A header node: letters first; trailing digits are its suffix.
std::optional<TMnemonic> ReadMnemonic(TReader& in) {
    if (!Letter(in.Peek())) return std::nullopt;
    const std::string_view word = in.TakeWhile(NameChar);
    std::size_t digits = word.size();
    while (digits > 0 && Digit(word[digits - 1])) --digits;
    TMnemonic mnemonic{Upper(word.substr(0, digits)), std::nullopt};
    if (digits == word.size()) return mnemonic;
    uint32_t suffix = 0;
    const auto [end, error] = std::from_chars(word.data() + digits, word.data() + word.size(), suffix);
    // Too many digits is a suffix out of any node's range, not bad syntax.
    if (error == std::errc::result_out_of_range) suffix = UINT32_MAX;
    else if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
    mnemonic.Suffix = suffix;
    return mnemonic;
}

// NR1, NR2 or NR3: sign, digits with an optional point, optional exponent
// (blanks may stand on either side of its E: 1 E3, 1E -3, 1 e 3).
std::optional<double> ReadDecimal(TReader& in) {
    std::string text;
    if (in.Peek() == '+' || in.Peek() == '-') text += in.Peek(), in.Take(in.Peek());
    const std::string_view whole = in.TakeWhile(Digit);
    text += whole;
    std::string_view fraction;
    if (in.Take('.')) {
        fraction = in.TakeWhile(Digit);
        text += '.';
        text += fraction;
    }
    if (whole.empty() && fraction.empty()) return std::nullopt;
    const std::size_t mantissaEnd = in.Position();
    in.SkipBlanks();
    if (in.Peek() == 'e' || in.Peek() == 'E') {
        const bool blankBefore = in.Position() != mantissaEnd;
        in.Take(in.Peek());
        in.SkipBlanks();
        const char next = in.Peek();
        // After a blank an E that starts no exponent is a unit's letter.
        if (blankBefore && next != '+' && next != '-' && !Digit(next)) {
            in.Restore(mantissaEnd);
        } else {
            text += 'e';
            if (next == '+' || next == '-') text += next, in.Take(next);
            const std::string_view exponent = in.TakeWhile(Digit);
            if (exponent.empty()) return std::nullopt;
            text += exponent;
        }
    } else {
        in.Restore(mantissaEnd);
    }
    double value = 0.0;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    // Beyond a double's range either way: not a value this instrument takes.
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// #H1F, #Q17, #B11111: an unsigned number in another base.
std::optional<double> ReadNonDecimal(TReader& in) {
    const char base = static_cast<char>(std::toupper(static_cast<unsigned char>(in.Peek())));
    const int radix = base == 'H' ? 16 : base == 'Q' ? 8 : base == 'B' ? 2 : 0;
    if (radix == 0) return std::nullopt;
    in.Take(in.Peek());
    const std::string_view digits = in.TakeWhile([](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, radix);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return static_cast<double>(value);
}

// (@1,2) or (@1:2): whole channel numbers and ranges.
std::optional<std::vector<uint32_t>> ReadChannelList(TReader& in) {
    in.SkipBlanks();
    if (!in.Take('@')) return std::nullopt;
    std::vector<uint32_t> channels;
    do {
        in.SkipBlanks();
        uint32_t range[2] = {0, 0};
        for (int end = 0; end < 2; ++end) {
            const std::string_view digits = in.TakeWhile(Digit);
            const auto [last, error] = std::from_chars(digits.data(), digits.data() + digits.size(), range[end]);
            if (digits.empty() || error != std::errc() || last != digits.data() + digits.size()) return std::nullopt;
            if (end == 0 && !in.Take(':')) {
                range[1] = range[0];
                break;
            }
        }
        const uint32_t step = range[0] <= range[1] ? 1 : static_cast<uint32_t>(-1);
        for (uint32_t channel = range[0];; channel += step) {
            if (channels.size() >= MaxListedChannels) return std::nullopt;
            channels.push_back(channel);
            if (channel == range[1]) break;
        }
        in.SkipBlanks();
    } while (in.Take(','));
    if (!in.Take(')')) return std::nullopt;
    return channels;
}

// A string in single or double quotes, the quote doubled inside.
std::optional<std::string> ReadString(TReader& in) {
    const char quote = in.Peek();
    in.Take(quote);
    std::string text;
    while (!in.End()) {
        const char c = in.Peek();
        in.Take(c);
        if (c != quote) {
            text += c;
        } else if (in.Peek() == quote) {
            in.Take(quote);
            text += quote;
        } else {
            return text;
        }
    }
    return std::nullopt;
}

std::optional<TParameter> ReadParameter(TReader& in) {
    TParameter parameter;
    const char c = in.Peek();
    if (c == '"' || c == '\'') {
        auto text = ReadString(in);
        if (!text) return std::nullopt;
        parameter.Kind = TParameter::TKind::String;
        parameter.Text = std::move(*text);
    } else if (c == '(') {
        in.Take('(');
        auto channels = ReadChannelList(in);
        if (!channels) return std::nullopt;
        parameter.Kind = TParameter::TKind::ChannelList;
        parameter.Channels = std::move(*channels);
    } else if (c == '#') {
        in.Take('#');
        const auto value = ReadNonDecimal(in);
        if (!value) return std::nullopt;
        parameter.Number = *value;
    } else if (Letter(c)) {
        parameter.Kind = TParameter::TKind::Character;
        parameter.Text = Upper(in.TakeWhile(NameChar));
    } else {
        const auto value = ReadDecimal(in);
        if (!value) return std::nullopt;
        parameter.Number = *value;
        // A unit may follow, blanks between: 1 KHZ, 4200MV.
        in.SkipBlanks();
        parameter.Unit = Upper(in.TakeWhile(Letter));
    }
    return parameter;
}

// One command up to its ';' or the end of the line.
std::optional<TProgramCommand> ReadCommand(TReader& in) {
    TProgramCommand command;
    if (in.Take('*')) {
        command.Common = true;
        const std::string_view name = in.TakeWhile(Letter);
        if (name.empty()) return std::nullopt;
        command.Header.push_back({Upper(name), std::nullopt});
    } else {
        command.Rooted = in.Take(':');
        do {
            auto mnemonic = ReadMnemonic(in);
            if (!mnemonic) return std::nullopt;
            command.Header.push_back(std::move(*mnemonic));
        } while (in.Take(':'));
    }
    command.Query = in.Take('?');
    const bool separated = in.SkipBlanks();
    if (in.End() || in.Peek() == ';') return command;
    if (!separated) return std::nullopt;
    do {
        in.SkipBlanks();
        auto parameter = ReadParameter(in);
        if (!parameter) return std::nullopt;
        command.Parameters.push_back(std::move(*parameter));
        in.SkipBlanks();
    } while (in.Take(','));
    if (!in.End() && in.Peek() != ';') return std::nullopt;
    return command;
}

}  // namespace

TProgramMessage ParseProgramMessage(std::string_view line) {
    TProgramMessage message;
    TReader in(line);
    while (true) {
        in.SkipBlanks();
        // An empty command: the whole line, or after a last ';'.
        if (in.End()) break;
        auto command = ReadCommand(in);
        if (!command) {
            message.Syntax = TError{SyntaxError, "at character " + std::to_string(in.Position() + 1)};
            break;
        }
        message.Commands.push_back(std::move(*command));
        if (!in.Take(';')) break;
    }
    return message;
}

}  // namespace tavik::scpi
