#pragma once
// A bound logger whose reports a test shapes, and the recording it writes.
#include <optional>
#include <string>

#include "instruments/logger/logger.h"
#include "tests/support/instrument_harness.h"

namespace tavik::test {

class Recording : public test::TBoundLogger {
protected:
    std::string Start() { return Logger.StartRecording(H.Folder.string(), H.Now); }
    std::optional<logger::TLoggerCycle> Report(uint8_t csr, std::array<uint8_t, 4> samples, bool withSamples = true) {
        Module->Csr = csr;
        Module->SamplesReady = withSamples;
        Module->FixedSamples = samples;
        return H.LoggerTicks(1);
    }
    std::string Content() {
        const auto files = H.RecordFiles();
        return files.empty() ? std::string() : TSimulatedModules::ReadFile(files.back());
    }
};

}  // namespace tavik::test
