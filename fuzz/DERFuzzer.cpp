// Fuzzes the DER walker and the certificate reader: every range read lies inside the bytes, a
// list never exceeds its cap, and reading a certificate never crashes.
#include <cstdint>

#include "Require.h"
#include "orvel/Limits.h"
#include "security/DER.h"
#include "security/X509.h"

using orvel::fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const orvel::ByteString bytes(data, data + size);
    // Walk the tree breadth-first, as far as a bounded number of nodes.
    std::vector<orvel::DER::Range> pending{{0, bytes.size()}};
    for (std::size_t visited = 0; !pending.empty() && visited < 4096; ++visited) {
        const orvel::DER::Range range = pending.back();
        pending.pop_back();
        const std::vector<orvel::DER::Node> nodes = orvel::DER::children(bytes, range);
        require(nodes.size() <= orvel::Limits::maxDERChildren);
        for (const orvel::DER::Node& node : nodes) {
            require(node.content.lower <= node.content.upper && node.content.upper <= bytes.size());
            if (node.tag & 0x20) pending.push_back(node.content); // constructed: look inside
        }
    }
    if (const auto facts = orvel::X509::parse(bytes)) {
        if (facts->subjectCN) require(orvel::Unicode::isValidUTF8(*facts->subjectCN));
        for (const std::string& name : facts->sanDNS) require(orvel::Unicode::isValidUTF8(name));
    }
    return 0;
}
