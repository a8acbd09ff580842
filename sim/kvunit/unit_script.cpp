#include "sim/kvunit/unit_script.h"

#include <charconv>
#include <sstream>

namespace np::kvunit {
namespace {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;

std::optional<long> number(const std::string& word) {
    long value = 0;
    std::string_view text = word;
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<std::uint8_t> byte_value(const std::string& word) {
    const auto value = number(word);
    if (!value || *value < 0 || *value > 255) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

std::vector<std::uint8_t> frame(char letter, std::uint8_t value, std::uint8_t end = kEtx) {
    return {kStx, static_cast<std::uint8_t>(letter), value, end};
}

std::vector<Step> split_into_steps(const std::vector<std::uint8_t>& bytes,
                                   const Splitting& splitting) {
    if (splitting.chunk == 0 || bytes.size() <= splitting.chunk) return {Step{bytes, 0}};
    std::vector<Step> steps;
    for (std::size_t at = 0; at < bytes.size(); at += splitting.chunk) {
        const std::size_t end = std::min(bytes.size(), at + splitting.chunk);
        steps.push_back({{bytes.begin() + at, bytes.begin() + end}, splitting.pause_ms});
    }
    return steps;
}

Parsed failure(std::string text) {
    return {{}, std::move(text)};
}

}  // namespace

Parsed parse_command(std::string_view line, Splitting& splitting) {
    std::istringstream in{std::string(line)};
    std::string verb;
    if (!(in >> verb) || verb.starts_with('#')) return {};
    std::vector<std::string> args;
    for (std::string word; in >> word;)
        args.push_back(word);

    std::vector<std::uint8_t> bytes;
    if (verb == "exposure") {
        if (args.size() != 4) return failure("exposure needs O V A S");
        const char letters[] = {'O', 'V', 'A', 'S'};
        for (int i = 0; i < 4; ++i) {
            const auto value = byte_value(args[i]);
            if (!value) return failure("bad value " + args[i]);
            const auto f = frame(letters[i], *value);
            bytes.insert(bytes.end(), f.begin(), f.end());
        }
    } else if (verb == "frame" || verb == "badetx") {
        if (args.size() != 2 || args[0].size() != 1)
            return failure(verb + " needs a letter and a value");
        const auto value = byte_value(args[1]);
        if (!value) return failure("bad value " + args[1]);
        bytes = frame(args[0][0], *value, verb == "frame" ? kEtx : static_cast<std::uint8_t>('x'));
    } else if (verb == "noise") {
        const auto count = args.size() == 1 ? number(args[0]) : std::nullopt;
        if (!count || *count < 0) return failure("noise needs a count");
        for (long i = 0; i < *count; ++i)
            bytes.push_back(static_cast<std::uint8_t>(0x20 + i % 0x5F));
    } else if (verb == "raw") {
        for (const std::string& word : args) {
            const auto value = byte_value(word);
            if (!value) return failure("bad byte " + word);
            bytes.push_back(*value);
        }
    } else if (verb == "split") {
        const auto chunk = args.size() == 2 ? number(args[0]) : std::nullopt;
        const auto pause = args.size() == 2 ? number(args[1]) : std::nullopt;
        if (!chunk || !pause || *chunk < 0 || *pause < 0) return failure("split needs N MS");
        splitting = {static_cast<std::size_t>(*chunk), static_cast<int>(*pause)};
        return {};
    } else if (verb == "wait") {
        const auto pause = args.size() == 1 ? number(args[0]) : std::nullopt;
        if (!pause || *pause < 0) return failure("wait needs MS");
        return {{Step{{}, static_cast<int>(*pause)}}, std::nullopt};
    } else {
        return failure("unknown command " + verb);
    }
    return {split_into_steps(bytes, splitting), std::nullopt};
}

}  // namespace np::kvunit
