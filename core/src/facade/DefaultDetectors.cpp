#include "orvel/Orvel.h"

#include "detectors/Base32Detector.h"
#include "detectors/Base58Detector.h"
#include "detectors/Base64Detector.h"
#include "detectors/GzipDetector.h"
#include "detectors/HTMLEntitiesDetector.h"
#include "detectors/HashDetector.h"
#include "detectors/HexDetector.h"
#include "detectors/JSONDetector.h"
#include "detectors/JWTDetector.h"
#include "detectors/PEMDetector.h"
#include "detectors/PlistDetector.h"
#include "detectors/QueryStringDetector.h"
#include "detectors/URLEncodingDetector.h"
#include "detectors/UUIDDetector.h"
#include "detectors/UnicodeEscapeDetector.h"
#include "detectors/UnixTimestampDetector.h"
#include "detectors/XMLDetector.h"
#include "detectors/YAMLDetector.h"
#include "detectors/ZlibDetector.h"

namespace orvel {

const DetectorList& defaultDetectors() {
    // Registry order is priority order: specific formats first, generic alphabets last, and on
    // equal confidence the detector nearer the front wins.
    static const DetectorList detectors{
        std::make_shared<JWTDetector>(),           std::make_shared<PEMDetector>(),
        std::make_shared<HashDetector>(),          std::make_shared<PlistDetector>(),
        std::make_shared<XMLDetector>(),           std::make_shared<URLEncodingDetector>(),
        std::make_shared<GzipDetector>(),          std::make_shared<ZlibDetector>(),
        std::make_shared<JSONDetector>(),          std::make_shared<YAMLDetector>(),
        std::make_shared<UUIDDetector>(),          std::make_shared<UnixTimestampDetector>(),
        std::make_shared<QueryStringDetector>(),   std::make_shared<HTMLEntitiesDetector>(),
        std::make_shared<UnicodeEscapeDetector>(), std::make_shared<Base64Detector>(),
        std::make_shared<Base32Detector>(),        std::make_shared<Base58Detector>(),
        std::make_shared<HexDetector>(),
    };
    return detectors;
}

} // namespace orvel
