#include "orvel/ChainEngine.h"

#include "detectors/Base64Detector.h"
#include "detectors/JSONDetector.h"

namespace orvel {

const DetectorList& defaultDetectors() {
    // Registry order is priority order: specific formats first, generic alphabets last, and on
    // equal confidence the detector nearer the front wins.
    static const DetectorList detectors{
        std::make_shared<JSONDetector>(),
        std::make_shared<Base64Detector>(),
    };
    return detectors;
}

} // namespace orvel
