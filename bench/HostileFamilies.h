#pragma once

// The hostile input families: each is a deep, wide, huge or bomb form of one format, the shapes
// that make parsers recurse, go quadratic or amplify. generate-hostile writes them for
// bench/hostile-inputs, and the scanner's differential test scans them.
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace orvel::bench {

// `open` repeated, then `middle`, then `close` repeated, as often as fits in `bytes`.
inline std::string nested(std::string_view open, std::string_view middle, std::string_view close, std::size_t bytes) {
    const std::size_t levels = bytes / (open.size() + close.size());
    std::string text;
    text.reserve(bytes + middle.size());
    for (std::size_t i = 0; i < levels; ++i) text += open;
    text += middle;
    for (std::size_t i = 0; i < levels; ++i) text += close;
    return text;
}

// `head`, then `unit` (with its "#" replaced by a running number) until `bytes`, then `tail`.
inline std::string repeated(std::string_view head, std::string_view unit, std::string_view tail, std::size_t bytes) {
    std::string text(head);
    const std::size_t mark = unit.find('#');
    for (std::size_t i = 0; text.size() + tail.size() < bytes; ++i) {
        if (mark == std::string_view::npos) {
            text += unit;
        } else {
            text.append(unit.substr(0, mark)).append(std::to_string(i)).append(unit.substr(mark + 1));
        }
    }
    return text += tail;
}

inline const std::string plistHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";

using Generator = std::function<std::string(std::size_t)>;
/// Every family by name: each makes a document of about the bytes it is given.
inline const std::map<std::string, Generator>& hostileFamilies() {
    static const std::map<std::string, Generator> all = {
        {"json-deep", [](std::size_t n) { return nested("[", "1", "]", n); }},
        {"json-wide", [](std::size_t n) { return repeated("[", "1.5,", "1]", n); }},
        {"json-integers", [](std::size_t n) { return repeated("[", "1,", "1]", n); }},
        {"json-objects", [](std::size_t n) { return repeated("{", "\"k#\":{},", "\"z\":0}", n); }},
        {"json-string", [](std::size_t n) { return repeated("[\"", "\\u00e9x", "\"]", n); }},
        {"xml-deep", [](std::size_t n) { return nested("<a>", "x", "</a>", n); }},
        {"xml-attributes", [](std::size_t n) { return repeated("<r", " a#=\"v\"", "/>", n); }},
        {"xml-elements", [](std::size_t n) { return repeated("<r>", "<e i=\"#\">t</e>", "</r>", n); }},
        {"xml-text", [](std::size_t n) { return repeated("<r>", "tea &amp; cake ", "</r>", n); }},
        {"plist-deep", [](std::size_t n) { return plistHead + nested("<array>", "", "</array>", n) + "</plist>"; }},
        {"plist-quoted-bypass",
         [](std::size_t n) { return plistHead + nested("<array x=\"/>\">", "", "</array>", n) + "</plist>"; }},
        {"plist-wide",
         [](std::size_t n) { return repeated(plistHead + "<array>", "<integer>#</integer>", "</array></plist>", n); }},
        {"yaml-staircase",
         [](std::size_t n) {
             std::string text;
             for (std::size_t depth = 0; text.size() < n && depth < 100000; ++depth)
                 text += std::string(depth, ' ') + "k:\n";
             return text + "v: 1\n";
         }},
        {"yaml-wide", [](std::size_t n) { return repeated("", "key#: value\n", "", n); }},
        {"entities", [](std::size_t n) { return repeated("", "&amp;&#x41;&lt;", "", n); }},
        {"unicode-escapes", [](std::size_t n) { return repeated("", "\\u00e9\\ud83d\\ude00", "", n); }},
        {"url-escapes", [](std::size_t n) { return repeated("", "%41%2F", "", n); }},
        {"base64", [](std::size_t n) { return repeated("", "eyJhIjoxfQ==", "", n).substr(0, n / 4 * 4); }},
        {"base58", [](std::size_t n) { return repeated("", "3yZe7d", "", n); }},
        {"query-string", [](std::size_t n) { return repeated("a=1", "&k#=v", "", n); }},
        {"jwt-huge-payload",
         [](std::size_t n) { return "eyJhbGciOiJIUzI1NiJ9." + repeated("eyJh", "YWFh", "In0", n) + ".c2ln"; }},
        {"pem-huge",
         [](std::size_t n) {
             return "-----BEGIN CERTIFICATE-----\n" +
                    repeated("", "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEAu1SU1LfVLPHCozMxH2Mo\n", "", n) +
                    "-----END CERTIFICATE-----\n";
         }},
    };
    return all;
}

} // namespace orvel::bench
