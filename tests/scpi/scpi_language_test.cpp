// The SCPI language over an instrument with no module plugged in: program
// messages, the path rule, parameters, answers and the error queue, one line
// a case.
#include "scpi_harness.h"
#include "scpi/scpi_client.h"

namespace tavik::scpi::test {
namespace {

class ScpiLanguage : public ::testing::Test, public TScpiHarness {
protected:
    void SetUp() override { Start(); }
};

struct TCase {
    const char* Line;
    std::string Answer;
    std::vector<int> Errors;
};

void RunCases(TScpiHarness& h, const std::vector<TCase>& cases) {
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(h.Ask(c.Line), c.Answer);
        EXPECT_EQ(h.ErrorCodes(), c.Errors);
    }
}

const std::string Identity = std::string("tavik.example,Tavik,0,") + TAVIK_VERSION;

TEST_F(ScpiLanguage, HeadersInLongAndShortFormAnyCaseWithThePathRule) {
    RunCases(*this, {
        {"*IDN?", Identity + "\n", {}},
        {"  *idn?  ", Identity + "\n", {}},
        {"SYSTem:VERSion?", "1999.0\n", {}},
        {"syst:vers?", "1999.0\n", {}},
        {":SYSTEM:VERSION?", "1999.0\n", {}},
        {"SYSTE:VERS?", "", {UndefinedHeader}},      // neither form
        {"SYST:VERS?;*OPC?;VERS?", "1999.0;1;1999.0\n", {}},  // a common command keeps the level
        {"SYST:VERS?;:SYST:ERR:COUN?", "1999.0;0\n", {}},
        {"SYST:VERS?;SYST:VERS?", "1999.0\n", {UndefinedHeader}},  // SYST:SYST:VERS
        {"SYST:VERS", "", {UndefinedHeader}},        // a query alone
        {"*RST?", "", {UndefinedHeader}},
        {"SOUR:FREQ?;SOUR2:FREQ:CW? MIN", "8250000\n", {UndefinedHeader}},  // SOUR:SOUR2
        {"SOUR:FREQ?;:SOUR2:FREQ:CW? MIN", "8250000;1.9669533\n", {}},
        {"SOURCE1:FREQUENCY? MAX;CAT?", "8250000\n", {UndefinedHeader}},  // SOURCE1:CAT
        {"SOUR3:FREQ?", "", {HeaderSuffixOutOfRange}},
        {"OUTP3?;OUTPUT3:STATE?;:OUTP1:STAT?;:OUTP1:LEV?", "0;0;1;0\n", {}},  // 1: the generator runs it
        {"SYST1:VERS?", "", {UndefinedHeader}},       // no suffix there
        {"INST:CAT?", "\"\"\n", {}},
        {"", "", {}},
        {"*OPC?;", "1\n", {}},
    });
}

TEST_F(ScpiLanguage, ParametersAndTheirErrors) {
    RunCases(*this, {
        {"FREQ:OFFS 1.5E3;OFFS?", "1500\n", {}},
        {"SENS:FREQ:OFFS -25;:SENSE:FREQUENCY:OFFSET?", "-25\n", {}},
        {"FREQ:OFFS +.5e1;OFFS?", "5\n", {}},
        {"FREQ:OFFS #H1F;OFFS?", "31\n", {}},
        {"FREQ:OFFS 1.5 kHz;OFFS?;OFFS 2MHZ;OFFS?;OFFS 7 HZ;OFFS?", "1500;2000000;7\n", {}},  // MHZ: mega
        {"FREQ:OFFS 10 MV;:FREQ:OFFS 1 PARSEC", "", {InvalidSuffix, InvalidSuffix}},
        {"*ESE 3 HZ;:SOUR1:FREQ? MAX", "8250000\n", {SuffixNotAllowed}},
        {"FREQ:OFFS #b101;OFFS?", "5\n", {}},
        {"FREQ:OFFS MAX;OFFS?", "2147483647\n", {}},
        {"FREQ:OFFS min;OFFS?", "-2147483648\n", {}},
        {"FREQ:OFFS 2.5;OFFS?;OFFS -2.5;OFFS?;OFFS DEF;OFFS?", "3;-3;0\n", {}},  // rounded; the default
        {"FREQ:OFFS 1 E3;OFFS?;OFFS 2e -1 KHZ;OFFS?;OFFS 3 e+2;OFFS?", "1000;200;300\n", {}},
        {"FREQ:OFFS 1 EXA", "", {InvalidSuffix}},
        {"*ESE 10.2;*ESE?;*SRE 255;*SRE?", "10;191\n", {}},  // *SRE has no bit 6
        {"*ESE 255.6", "", {DataOutOfRange}},
        {"*ESE DEF", "", {IllegalParameterValue}},
        {"SOUR1:FREQ? DEF;:SOUR2:FREQ DEF;FREQ?", "8250000;8250000\n", {HardwareMissing}},  // *RST's
        {"OUTP1 1 V", "", {SuffixNotAllowed}},
        {"SOUR99999999999:FREQ?", "", {HeaderSuffixOutOfRange}},
        {"FREQ:OFFS 3E9", "", {DataOutOfRange}},
        {"FREQ:OFFS ON", "", {DataTypeError}},
        {"FREQ:OFFS 'text'", "", {DataTypeError}},
        {"FREQ:OFFS", "", {MissingParameter}},
        {"FREQ:OFFS 1,2", "", {ParameterNotAllowed}},
        {"SYST:VERS? 1", "", {ParameterNotAllowed}},
        {"*ESE 300", "", {DataOutOfRange}},
        {"*ESE 36;*ESE?;*SRE 32;*SRE?", "36;32\n", {}},
        {"SOUR2:FREQ? MINimum;:SOUR1:FREQ? MAXIMUM", "1.9669533;8250000\n", {}},
        {"SOUR2:FREQ? 5", "", {DataTypeError}},
        {"SOUR1:FUNC:MODE?;:OUTP2?", "GEN;1\n", {}},
        {"TRAC:POIN? (@1:2)", "", {IllegalParameterValue}},
        {"TRAC:POIN? (@3)", "", {IllegalParameterValue}},
        {"TRAC:POIN? (@2);POIN? ( @2, 1:1 )", "", {HardwareMissing, IllegalParameterValue}},  // a list of two
        {"TRAC:POIN?;DATA? (@2)", "", {HardwareMissing, HardwareMissing}},  // no sweep of a logger gone
    });
}

TEST_F(ScpiLanguage, TheAnswersOfOneLineStopPastTheirBound) {
    // 811 catalogues (about 10 KB each) on one 4 KiB line: answered up to the
    // bound, the rest not run, -225 once.
    std::string line = "SOUR1:FREQ:CAT?";
    for (int i = 1; i < 811; ++i) line += ";CAT?";
    const std::string answer = Ask(line);
    const std::size_t catalogue = Ask("SOUR1:FREQ:CAT?").size();
    EXPECT_GT(answer.size(), MaxAnswerBytes);
    EXPECT_LE(answer.size(), MaxAnswerBytes + catalogue);
    EXPECT_EQ(answer.back(), '\n');
    EXPECT_EQ(ErrorCodes(), std::vector<int>{OutOfMemory});
}

TEST_F(ScpiLanguage, ASyntaxErrorEndsTheLineAfterWhatCameBefore) {
    RunCases(*this, {
        {"*OPC?;SYST:VERS?(@1);*OPC?", "1\n", {SyntaxError}},
        {"*OPC?;;*OPC?", "1\n", {SyntaxError}},
        {"SYST:VERS?x", "", {SyntaxError}},
        {"FREQ:OFFS 10 HZ 5", "", {SyntaxError}},
        {"FREQ:OFFS 1e", "", {SyntaxError}},
        {"FREQ:OFFS 1e999", "", {SyntaxError}},
        {"FREQ:OFFS \"open", "", {SyntaxError}},
        {"TRAC:POIN? (@1", "", {SyntaxError}},
        {"TRAC:POIN? (@1:99999)", "", {SyntaxError}},
        {"SYST::VERS?", "", {SyntaxError}},
        {"*", "", {SyntaxError}},
        {"FOO?;*OPC?", "1\n", {UndefinedHeader}},  // not syntax: the line goes on
    });
}

TEST_F(ScpiLanguage, TheErrorQueueAndTheStatusRegisters) {
    EXPECT_EQ(Ask("FOO;MEAS:VOLT?;*STB?;*ESR?;*ESR?;*STB?"), "4;48;0;4\n")
        << "errors queued; command and execution errors, read once";
    EXPECT_EQ(Errors(), (std::vector<TQueuedError>{{UndefinedHeader, "Undefined header"},
                                                   {HardwareMissing, "Hardware missing;no logger"}}));
    EXPECT_EQ(Ask("*ESE 32;*SRE 32;FOO;*STB?;*CLS;*STB?;SYST:ERR?"), "100;0;0,\"No error\"\n")
        << "an enabled event and its service request, cleared";
    EXPECT_EQ(Ask("*OPC;*ESR?"), "1\n");

    // SCPI's registers with no module bound: every module's bit questionable
    // (logger 0, frequency meter 5, generator 9), nothing measuring, no rise.
    RunCases(*this, {
        {"*OPT?;:STAT:QUES:COND?;:STAT:OPER:COND?;:STAT:QUES?;:STAT:OPER:EVEN?", "0;545;0;0;0\n", {}},
        {"STAT:QUES:ENAB 545.2;ENAB?;:STAT:OPER:ENAB 65535;ENAB?;:STAT:PRES;:STAT:QUES:ENAB?;:STAT:OPER:ENAB?",
         "545;32767;0;0\n", {}},
        {"STAT:OPER:ENAB 65536", "", {DataOutOfRange}},
        {"FORM?;:FORM REAL,32;FORM:DATA?;:FORM ASC;FORM?;:FORM:BORD?;BORD SWAP;BORD?", "ASC,0;REAL,32;ASC,0;NORM;SWAP\n", {}},
        {"FORM REAL,64;:FORM BIN", "", {DataOutOfRange, IllegalParameterValue}},
    });

    // Sixteen kept; the last replaced by the overflow.
    for (int i = 0; i < 20; ++i) Ask("FOO" + std::to_string(i) + "X");
    EXPECT_EQ(Ask("SYST:ERR:COUN?"), "16\n");
    const std::vector<int> codes = ErrorCodes();
    ASSERT_EQ(codes.size(), 16u);
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.end() - 1), std::vector<int>(15, UndefinedHeader));
    EXPECT_EQ(codes.back(), QueueOverflow);
    EXPECT_EQ(Ask("SYST:ERR:NEXT?"), "0,\"No error\"\n");

    Client->Overrun();
    EXPECT_EQ(Errors(), (std::vector<TQueuedError>{{InputBufferOverrun, "Input buffer overrun"}}));
    Ask("FOO;FREQ:OFFS");
    EXPECT_EQ(Ask("SYST:ERR:ALL?"), "-113,\"Undefined header\",-109,\"Missing parameter\"\n");

    // Every client its own queue.
    const std::unique_ptr<TLineService> other = Instrument->NewClient();
    Ask("FOO");
    std::string out;
    other->Line("SYST:ERR:COUN?", out);
    EXPECT_EQ(out, "0\n");
    EXPECT_EQ(ErrorCodes(), std::vector<int>{UndefinedHeader});
}

}  // namespace
}  // namespace tavik::scpi::test
