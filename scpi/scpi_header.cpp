#include "scpi_header.h"

#include <cctype>
#include <string>

namespace tavik::scpi {

namespace {

struct TNode {
    std::string Long;   // upper-cased
    std::string Short;  // the pattern's upper-case letters
    bool Optional = false;
    bool Suffixed = false;
};

std::vector<TNode> NodesOf(std::string_view pattern) {
    std::vector<TNode> nodes;
    bool optional = false;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '[' || c == ']' || c == ':') {
            if (c != ':') optional = c == '[';
            ++i;
            continue;
        }
        TNode node;
        node.Optional = optional;
        for (; i < pattern.size() && std::isalpha(static_cast<unsigned char>(pattern[i])); ++i) {
            const char letter = pattern[i];
            node.Long += static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
            if (std::isupper(static_cast<unsigned char>(letter))) node.Short += letter;
        }
        if (i < pattern.size() && pattern[i] == '#') {
            node.Suffixed = true;
            ++i;
        }
        nodes.push_back(std::move(node));
    }
    return nodes;
}

bool Matches(const TNode& node, const TMnemonic& mnemonic) {
    if (mnemonic.Suffix && !node.Suffixed) return false;
    return mnemonic.Name == node.Long || mnemonic.Name == node.Short;
}

bool Match(const std::vector<TNode>& nodes, std::size_t n, const std::vector<TMnemonic>& header, std::size_t h,
           std::vector<uint32_t>& suffixes) {
    if (n == nodes.size()) return h == header.size();
    const TNode& node = nodes[n];
    if (h < header.size() && Matches(node, header[h])) {
        if (node.Suffixed) suffixes.push_back(header[h].Suffix.value_or(1));
        if (Match(nodes, n + 1, header, h + 1, suffixes)) return true;
        if (node.Suffixed) suffixes.pop_back();
    }
    if (!node.Optional) return false;
    if (node.Suffixed) suffixes.push_back(1);
    if (Match(nodes, n + 1, header, h, suffixes)) return true;
    if (node.Suffixed) suffixes.pop_back();
    return false;
}

}  // namespace

std::optional<std::vector<uint32_t>> MatchHeader(std::string_view pattern, const std::vector<TMnemonic>& header) {
    std::vector<uint32_t> suffixes;
    if (!Match(NodesOf(pattern), 0, header, 0, suffixes)) return std::nullopt;
    return suffixes;
}

}  // namespace tavik::scpi
