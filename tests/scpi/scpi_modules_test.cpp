// The SCPI instrument over simulated modules: every frame each module
// receives, in order, for each command; the answers as the modules give
// them; and every module command to an absent module refused with -241.
#include <chrono>
#include <string>
#include <thread>

#include "scpi_harness.h"

namespace tavik::scpi::test {
namespace {

using TFrames = std::vector<std::string>;

// The numbers of a comma-separated answer, its line end taken off.
std::vector<double> Numbers(const std::string& answer) {
    std::vector<double> numbers;
    EXPECT_TRUE(!answer.empty() && answer.back() == '\n') << answer;
    const std::string body = answer.substr(0, answer.size() - 1);
    for (std::size_t start = 0; start <= body.size();) {
        const std::size_t end = std::min(body.find(',', start), body.size());
        std::size_t used = 0;
        const std::string field = body.substr(start, end - start);
        numbers.push_back(std::stod(field, &used));
        EXPECT_EQ(used, field.size()) << field;
        start = end + 1;
    }
    return numbers;
}

class ScpiModules : public ::testing::Test, public TScpiHarness {};

TEST_F(ScpiModules, GeneratorOutputsTheWindowsReportsAndTheRawPath) {
    const auto generator = M.PlugGenerator();
    Start();
    const struct {
        const char* Line;
        std::string Answer;
        TFrames Frames;
    } cases[] = {
        {"SOUR2:FREQ 1 KHZ;FREQ?", "1007.0801\n", {"02 01 20 89 10 1F 00 27"}},  // the nearest entry
        {"OUTP3 ON;:OUTP3?", "1\n", {"02 02 30 89 10 1F 00 17"}},                    // a level keeps the rest
        {"SOUR1:FUNC:MODE PC;MODE?", "PC\n", {"02 03 11 89 10 1F 00 36"}},  // output 2's frequency bytes stay
        {"SOUR1:FREQ MAX;FREQ?", "8250000\n", {"02 04 11 89 10 1F 00 36"}},  // from the PC: no frequency sent
        // OUTPut as SCPI users read it: ON runs the square wave, OFF holds the pin low.
        // The level first (from the PC, high), then the generator's wave at the frequency set.
        {"OUTP1:LEV 1;:OUTP1 ON;:OUTP1?;:OUTP1:LEV?;:SOUR1:FUNC:MODE?", "1;1;GEN\n",
         {"02 05 15 89 10 1F 00 32", "02 06 14 42 01 00 00 A8"}},
        {"OUTP1 OFF;:OUTP1?;:OUTP1:LEV?;:SOUR1:FUNC:MODE?", "0;0;PC\n", {"02 07 11 42 01 00 00 AB"}},  // from the PC, low
        {"*RST;:SOUR1:FUNC:MODE?;:OUTP3?", "GEN;0\n", {"02 08 00 42 01 00 00 BC", "02 09 20 81 10 00 00 4E"}},
        {"DIAG:RAW:WRIT #H1234,44", "", {"04 0A 34 12 2C 00 00 8D"}},
        {"DIAG:RAW:READ? 4660", "44\n", {"03 0B 34 12 00 00 00 B9"}},
        {"SOUR2:FUNC:MODE GENERATOR;:SOUR2:FREQ MIN", "", {"02 0C 20 81 10 00 00 4E", "02 0D 20 8F 10 FF 00 41"}},
        {"SOUR1:FREQ 1E9;:DIAG:RAW:WRIT 65536,1;WRIT 1,256;:SOUR1:FUNC:MODE SINE", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(Ask(c.Line), c.Answer);
        EXPECT_EQ(Drain(*generator), c.Frames);
    }
    EXPECT_EQ(ErrorCodes(), (std::vector<int>{DataOutOfRange, DataOutOfRange, DataOutOfRange, IllegalParameterValue}));

    // A read whose answer does not come is an error, not a byte.
    generator->FailReads = 1;
    EXPECT_EQ(Ask("DIAG:RAW:READ? 1"), "");
    EXPECT_EQ(Drain(*generator), TFrames{"03 0E 01 00 00 00 00 FE"});
    generator->FailSends = 1;
    EXPECT_EQ(Ask("OUTP1 1"), "");
    Drain(*generator);
    const std::vector<TQueuedError> errors = Errors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].Code, HardwareError);
    EXPECT_TRUE(errors[0].Text.starts_with("Hardware error;the generator did not answer the read")) << errors[0].Text;
    EXPECT_TRUE(errors[1].Text.starts_with("Hardware error;the generator did not take the control report"));

    // Each list as it stands, highest first.
    const std::vector<double> list1 = Numbers(Ask("SOUR1:FREQ:CAT?"));
    const std::vector<double> list2 = Numbers(Ask("SOUR2:FREQ:CAT?"));
    ASSERT_EQ(list1.size(), generator::OUT1EntryCount);
    ASSERT_EQ(list2.size(), generator::OUT2EntryCount);
    EXPECT_EQ(list1.front(), 8250000.0);
    // Each entry's text reads back as the list's float.
    EXPECT_EQ(static_cast<float>(list1.back()), 31.47125244140625f);
    EXPECT_EQ(static_cast<float>(list2.back()), 1.9669532775878906f);
    EXPECT_TRUE(generator->Received.empty());
}

class ScpiLogger : public ScpiModules {
protected:
    std::shared_ptr<sim::TLoggerSimulator> Logger = M.PlugLogger();

    // Bound at 10 bit on channel 1, both inputs at 3.766 V, five reports
    // read; the module's log starts empty.
    void SetUp() override {
        Logger->Csr = 0;
        Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x02};
        Start();
        TickLogger();  // answers the last memory read with a measurement request
        Drain(*Logger);
        TickLogger(5);
    }
};

TEST_F(ScpiLogger, VoltmeterTracesAndSettings) {
    EXPECT_EQ(Drain(*Logger), (TFrames{"02 0A 00 00 00 00 00 FF", "02 0B 00 00 00 00 00 FF"}))
        << "the 10bit and CH1 boxes follow the module, each with its report";
    EXPECT_EQ(Ask("FETC:VOLT:DC? (@1,2);:FETC:VOLT?;:FETC:VOLT? (@2)"), "3.766,3.766;3.766;3.766\n");
    // [range[,resolution]] as voltmeters take them, checked against the module.
    EXPECT_EQ(Ask("FETC:VOLT:DC? DEF,DEF,(@1);:FETC:VOLT? 5 V,0.01,(@2);:FETC:VOLT? AUTO;:FETC:VOLT? -7.5,MAX"),
              "3.766;3.766;3.766;3.766\n");
    EXPECT_EQ(Ask("MEAS:VOLT? 10;:MEAS:VOLT? 5,1 MV;:MEAS:VOLT? 5,0.01,1,(@1);:MEAS:VOLT? 5 HZ"), "");
    EXPECT_EQ(ErrorCodes(), (std::vector<int>{DataOutOfRange, DataOutOfRange, ParameterNotAllowed, InvalidSuffix}));
    EXPECT_EQ(Ask("TRAC:POIN?"), "10\n");
    // The points are floats, in their own shortest digits.
    std::string points;
    for (int i = 0; i < 10; ++i) points += i ? ",3.76575" : "3.76575";
    EXPECT_EQ(Ask("TRAC:DATA? (@2)"), points + "\n");

    const struct {
        const char* Line;
        std::string Answer;
        TFrames Frames;
    } cases[] = {
        {"SENS:VOLT:RES BIT8;PEAK ON;:ROUT:CHAN 2", "", {"02 0C 02 00 00 00 00 FD", "02 0D 06 00 00 00 00 F9", "02 0E 07 00 00 00 00 F8"}},
        {"VOLT:RES?;PEAK?;:ROUT:CHAN?", "BIT8;1;2\n", {}},
        {"*RST;:VOLT:RES?;PEAK:STAT?;:ROUT:CHAN?", "BIT10;0;1\n", {"02 0F 00 00 00 00 00 FF"}},
        {"VOLT:DC:RES BIT10;:VOLT:PEAK OFF;:ROUT:CHAN (@1)", "", {"02 10 00 00 00 00 00 FF", "02 11 00 00 00 00 00 FF", "02 12 00 00 00 00 00 FF"}},
        {"VOLT:RES BIT12;:ROUT:CHAN 3;:ROUT:CHAN (@1,2)", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(Ask(c.Line), c.Answer);
        EXPECT_EQ(Drain(*Logger), c.Frames);
    }
    EXPECT_EQ(ErrorCodes(), (std::vector<int>{IllegalParameterValue, DataOutOfRange, IllegalParameterValue}));

    // 10-bit peak mode on channel 2: channel 1 shows no number.
    Logger->Csr = 0x05;
    TickLogger(5);
    // The boxes follow: 8bit cleared, Peak checked, CH1 cleared (CH2 was checked).
    EXPECT_EQ(Drain(*Logger), (TFrames{"02 13 00 00 00 00 00 FF", "02 14 04 00 00 00 00 FB", "02 15 05 00 00 00 00 FA"}));
    EXPECT_EQ(Ask("MEAS:VOLT? (@1:2)"), "9.91E+37,3.766\n");
    Logger->Csr = 0x02;
    TickLogger(5);
    EXPECT_EQ(Ask("MEAS:VOLT? (@2)"), "0.00\n") << "8 bit: rounded as the text is";

    Logger->FailSends = 1;
    EXPECT_EQ(Ask("ROUT:CHAN 2"), "");
    const std::vector<TQueuedError> errors = Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].Text.starts_with("Hardware error;the logger did not take the control report"));
}

TEST_F(ScpiLogger, TraceBlocksAndTheQuestionableRegisterAsTheLoggerFailsGoesAndComesBack) {
    Drain(*Logger);
    // REAL,32: a definite-length block of the sweep's ten floats, 3.76575 as
    // IEEE 754 bytes 40 71 02 0C, most significant first unless swapped.
    for (const auto& [order, bytes] : {std::pair{"NORM", "\x40\x71\x02\x0C"}, std::pair{"SWAP", "\x0C\x02\x71\x40"}}) {
        std::string block = "#240";
        for (int i = 0; i < 10; ++i) block += bytes;
        EXPECT_EQ(Ask(std::string("FORM REAL,32;:FORM:BORD ") + order + ";:TRAC:DATA? (@2)"), block + "\n") << order;
    }

    // Questionable: the absent meter (5) and generator (9), then the logger (0)
    // while a poll fails; its event latched until read, a service request with *SRE 8.
    EXPECT_EQ(Ask("STAT:QUES:COND?;:STAT:OPER:COND?;:STAT:QUES:ENAB 1;*SRE 8;*STB?"), "544;16;0\n");
    Logger->FailReads = 1;
    TickLogger();
    EXPECT_EQ(Ask("STAT:QUES:COND?;*STB?"), "545;72\n");
    TickLogger();
    EXPECT_EQ(Ask("STAT:QUES:COND?;*STB?;:STAT:QUES?;:STAT:QUES?;*STB?"), "544;72;1;0;0\n");

    // Gone: questionable, not measuring, no reading and no sweep of it.
    M.Platform.UnplugAll();
    M.Notify();
    M.ProcessEvents();
    EXPECT_EQ(Ask("STAT:QUES:COND?;:STAT:OPER:COND?;:STAT:QUES?"), "545;0;1\n");
    EXPECT_EQ(Ask("MEAS:VOLT?;:TRAC:DATA? (@1)"), "");
    // Back: no reading until it has reported, never the zeros it starts with.
    Logger = M.PlugLogger();
    Logger->Csr = 0;
    Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x02};
    M.Notify();
    M.ProcessEvents();
    EXPECT_EQ(Ask("STAT:QUES:COND?;:FETC:VOLT?"), "544\n");
    TickLogger(6);
    EXPECT_EQ(Ask("MEAS:VOLT?"), "3.766\n");
    EXPECT_EQ(ErrorCodes(), (std::vector<int>{HardwareMissing, HardwareMissing, DataStale}));
}

// The eight factor reads after every calibration, from sequence number seq on.
TFrames FactorReads(uint8_t seq) {
    TFrames frames;
    for (uint8_t address = 16; address < 24; ++address)
        frames.push_back(tavik::test::Hex(tavik::test::Frame({5, static_cast<uint8_t>(seq + address - 16), address, 0, 0,
                                                               0, 0, static_cast<uint8_t>(address ^ 0xFF)})));
    return frames;
}

TFrames operator+(TFrames a, const TFrames& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ScpiLogger, CalibrationWritesEachChannelTheRulesAllowAndSaysWhyNot) {
    Drain(*Logger);
    // 4 / 3.766 V = 1.0622053 (58 F6 87 3F) on both channels.
    EXPECT_EQ(Ask("CAL:VOLT 4;:CAL:VOLT:FACT? (@1,2)"), "1.0622053,1.0622053\n");
    EXPECT_EQ(Drain(*Logger), (TFrames{"06 0C 10 00 58 00 00 97", "06 0D 11 00 F6 00 00 F8", "06 0E 12 00 87 00 00 66",
                                       "06 0F 13 00 3F 00 00 AD", "06 10 14 00 58 00 00 93", "06 11 15 00 F6 00 00 F4",
                                       "06 12 16 00 87 00 00 62", "06 13 17 00 3F 00 00 A9"} +
                               FactorReads(0x14)));
    EXPECT_EQ(ErrorCodes(), std::vector<int>{});

    // Channel 2 at 1.883 V would need 2.1244: refused, channel 1 written.
    Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x02, 0x00, 0x01};
    TickLogger(6);  // the first answers the last read with a request (1C)
    Drain(*Logger);
    EXPECT_EQ(Ask("CAL:VOLT 4200 mV"), "");
    const TFrames written = Drain(*Logger);
    ASSERT_EQ(written.size(), 12u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(written[i].substr(0, 2), "06") << written[i];
    EXPECT_EQ(TFrames(written.begin() + 4, written.end()), FactorReads(0x21));
    EXPECT_EQ(Errors(), (std::vector<TQueuedError>{
                            {CalibrationFailed, "Calibration failed;channel 2: the factor would be 2.2306, outside 0.75 to 1.25"}}));

    // Too low a reference refuses both for one reason; the factors are read all the same.
    EXPECT_EQ(Ask("CAL:VOLT 1.4"), "");
    EXPECT_EQ(Drain(*Logger), FactorReads(0x29));
    EXPECT_EQ(Errors(), (std::vector<TQueuedError>{{DataOutOfRange, "Data out of range;the reference is below 1.5 V"}}));

    // A module that keeps nothing: channel 1 reads back otherwise.
    Logger->ZeroReads = 1000;
    EXPECT_EQ(Ask("CAL:VOLT 4"), "");
    EXPECT_EQ(ErrorCodes(), (std::vector<int>{HardwareError, CalibrationFailed}));
    EXPECT_EQ(Ask("CAL:VOLT ON;:CAL:VOLT"), "");
    EXPECT_EQ(ErrorCodes(), (std::vector<int>{DataTypeError, MissingParameter}));
}

// The voltmeter's fresh reading is over five reports that came after the
// query; FETCh? answers the voltmeter as it is.
TEST_F(ScpiLogger, ReadWaitsForFiveFreshReports) {
    Logger->FixedSamples = std::array<uint8_t, 4>{0x00, 0x01, 0x00, 0x01};  // from now on: 1.883 V
    EXPECT_EQ(AskNow("READ:VOLT?"), "");
    TickLogger(4);
    M.ProcessEvents();
    EXPECT_TRUE(Waiting()) << "four reports are not five";
    TickLogger();
    EXPECT_TRUE(Waiting()) << "the line goes on from the loop";
    M.ProcessEvents();
    EXPECT_FALSE(Waiting());
    EXPECT_EQ(Later(), "1.883\n");
    EXPECT_EQ(AskNow("FETC:VOLT?"), "1.883\n");
    EXPECT_TRUE(Errors().empty());
}

class ScpiFrequencyMeter : public ScpiModules {
protected:
    uint32_t MeterInstance = 0;
    std::shared_ptr<sim::TFrequencyMeterSimulator> Meter = M.PlugFrequencyMeter(&MeterInstance);

    void SetUp() override {
        Meter->RawCount = 100000;
        Start();
        Drain(*Meter);  // the factor read at binding
    }
};

TEST_F(ScpiFrequencyMeter, ReadingOffsetAndCalibration) {
    EXPECT_EQ(Ask("FETC:FREQ?"), "");
    EXPECT_EQ(Errors(), (std::vector<TQueuedError>{{DataStale, "Data corrupt or stale;no measurement yet"}}));
    TickMeter(2);  // a request carrying the last answer's bytes, then the measurement
    EXPECT_EQ(Drain(*Meter), TFrames{"01 05 13 00 3F 00 00 AD"});
    EXPECT_EQ(Ask("FETC:FREQ?;:FREQ:OFFS 5000;OFFS?"), "100000;5000\n");
    EXPECT_TRUE(Meter->Received.empty()) << "the offset is the program's";

    const struct {
        const char* Line;
        std::vector<int> Errors;
        TFrames Frames;
    } cases[] = {
        // 100500 / 100000 = 1.005 (D7 A3 80 3F), written and read back.
        {"CAL:FREQ 100500", {}, {"06 06 10 00 D7 00 00 18", "06 07 11 00 A3 00 00 4B", "06 08 12 00 80 00 00 6D",
                                 "06 09 13 00 3F 00 00 AD", "05 0A 10 00 00 00 00 EF", "05 0B 11 00 00 00 00 EE",
                                 "05 0C 12 00 00 00 00 ED", "05 0D 13 00 00 00 00 EC"}},
        {"CAL:FREQ 200000", {CalibrationFailed}, {"05 0E 10 00 00 00 00 EF", "05 0F 11 00 00 00 00 EE",
                                                  "05 10 12 00 00 00 00 ED", "05 11 13 00 00 00 00 EC"}},
        {"CAL:FREQ 899", {DataOutOfRange}, {}},
        {"CAL:FREQ 899.4", {DataOutOfRange}, {}},  // rounded to 899
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(Ask(c.Line), "");
        EXPECT_EQ(Drain(*Meter), c.Frames);
        EXPECT_EQ(ErrorCodes(), c.Errors);
    }
    EXPECT_EQ(Ask("CAL:FREQ:FACT?"), "1.005\n");

    // Gone, then back: no reading of the module before until it measures again.
    M.Platform.UnplugAll();
    M.Notify();
    M.ProcessEvents();
    EXPECT_EQ(Ask("MEAS:FREQ?"), "");
    M.PlugFrequencyMeter()->RawCount = 2000;
    M.Notify();
    M.ProcessEvents();
    EXPECT_EQ(Ask("FETC:FREQ?"), "");
    TickMeter(2);
    EXPECT_EQ(Ask("MEAS:FREQ?"), "2000\n");
    EXPECT_EQ(ErrorCodes(), (std::vector<int>{HardwareMissing, DataStale}));
}

// Every command of a module, with that module absent: -241, nothing else.
TEST_F(ScpiModules, AnAbsentModuleIsHardwareMissing) {
    const auto generator = M.PlugGenerator();
    uint32_t instance = 0;
    M.PlugGenerator(&instance);
    M.Platform.Unplug(instance);
    Start();
    M.Platform.Unplug(1);
    M.Notify();
    M.ProcessEvents();
    for (const char* line : {"MEAS:VOLT?", "FETC:VOLT? (@2)", "VOLT:RES BIT8", "VOLT:PEAK ON", "ROUT:CHAN 2",
                             "CAL:VOLT 5", "CAL:VOLT:FACT?", "MEAS:FREQ?", "CAL:FREQ 100000", "CAL:FREQ:FACT?",
                             "SOUR1:FREQ 1000", "SOUR2:FUNC:MODE PC", "OUTP3 ON", "DIAG:RAW:READ? 1",
                             "DIAG:RAW:WRIT 1,2"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(Ask(line), "");
        const std::vector<TQueuedError> errors = Errors();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].Code, HardwareMissing);
    }
    EXPECT_EQ(Ask("INST:CAT?"), "\"\"\n");
    EXPECT_TRUE(generator->Received.empty());

    M.PlugFrequencyMeter();
    M.PlugGenerator();
    M.Notify();
    M.ProcessEvents();
    EXPECT_EQ(Ask("INST:CAT?;*RST;:OUTP1 ON"), "\"GENERATOR\",\"FREQMETER\"\n");
    EXPECT_EQ(ErrorCodes(), std::vector<int>{});
}

// MEASure? and READ? answer a reading taken after they came, holding their
// line until then; FETCh? answers the latest, or one taken after INITiate
// until ABORt. A meter that goes while a query waits is -241 at once; one
// that measures nothing meanwhile is -230 once the wait's bound has passed.
TEST_F(ScpiFrequencyMeter, MeasureAndReadWaitForAFreshReadingFetchTakesTheLatest) {
    TickMeter(2);
    for (const char* query : {"MEAS:FREQ?;*OPC?", "READ:FREQ?;*OPC?", "INIT;FETC:FREQ?;*OPC?"}) {
        SCOPED_TRACE(query);
        const int32_t before = Instrument->Session.LatestReading()->Hertz;
        Meter->RawCount = before + 1000;
        EXPECT_EQ(AskNow(query), "") << "the line waits for a reading after it";
        for (int i = 0; i < 4 && Waiting(); ++i) {
            TickMeter();
            M.ProcessEvents();
        }
        EXPECT_EQ(Later(), std::to_string(before + 1000) + ";1\n");
        Meter->RawCount = before + 2000;
        EXPECT_EQ(AskNow("FETC:FREQ?"), std::to_string(before + 1000) + "\n") << "the latest, at once";
    }
    TickMeter(2);
    EXPECT_EQ(AskNow("ABOR;FETC:FREQ?"), std::to_string(Instrument->Session.LatestReading()->Hertz) + "\n");
    EXPECT_TRUE(Errors().empty());

    Meter->FailReads = 1 << 30;
    EXPECT_EQ(AskNow("MEAS:FREQ?"), "");
    TickMeter();
    M.ProcessEvents();
    EXPECT_TRUE(Waiting()) << "a failed poll is no reading";
    std::this_thread::sleep_for(std::chrono::milliseconds(FreshReadingWaitMs + 20));
    TickMeter();
    M.ProcessEvents();
    EXPECT_FALSE(Waiting());
    EXPECT_EQ(Later(), "");
    EXPECT_EQ(Errors(), (std::vector<TQueuedError>{{DataStale, "Data corrupt or stale;no fresh measurement within 2 s"}}));

    Meter->FailReads = 0;
    EXPECT_EQ(AskNow("MEAS:FREQ?;*OPC?"), "");
    M.Platform.UnplugAll();
    M.Notify();
    M.ProcessEvents();
    EXPECT_FALSE(Waiting());
    EXPECT_EQ(Later(), "1\n") << "the line goes on after the error";
    EXPECT_EQ(ErrorCodes(), std::vector<int>{HardwareMissing});
}

// A query to a module that does not answer fails at once, and the module is
// questionable; the others are served meanwhile, and it is asked again once
// it answers.
TEST_F(ScpiFrequencyMeter, AMeterThatStopsAnsweringIsAHardwareErrorAtOnce) {
    const auto generator = M.PlugGenerator();
    M.Notify();
    M.Platform.DeliverThrough(M.Loop);
    TickMeter(2);
    TMemoryHidDevice& device = *M.Platform.Device(MeterInstance);
    device.Answer = TMemoryHidDevice::TAnswer::Never;
    TickMeter();
    std::this_thread::sleep_for(std::chrono::milliseconds(NotAnsweringMs + 10));
    TickMeter();
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(Ask("MEAS:FREQ?;:CAL:FREQ 100500"), "");
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(20));
    EXPECT_EQ(Errors(), (std::vector<TQueuedError>{{HardwareError, "Hardware error;freqmeter: not answering"},
                                                   {HardwareError, "Hardware error;freqmeter: not answering"}}));
    EXPECT_EQ(Ask("OUTP3 ON;:OUTP3?"), "1\n") << "the generator is served meanwhile";
    EXPECT_EQ(Ask("STAT:QUES:COND?"), "33\n") << "the absent logger's bit and the meter's";
    device.Answer = TMemoryHidDevice::TAnswer::AtOnce;
    M.Platform.Release(MeterInstance);
    M.ProcessEvents();
    TickMeter();
    EXPECT_EQ(Ask("MEAS:FREQ?"), "100000\n");
    EXPECT_EQ(Ask("STAT:QUES:COND?;EVEN?"), "1;32\n") << "the meter's bit cleared, its rise latched";
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
}  // namespace tavik::scpi::test
